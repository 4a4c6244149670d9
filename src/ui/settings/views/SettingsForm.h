#pragma once

#include "ui/menubar/views/FormHelpers.h"

#include <QScrollArea>
#include <QString>
#include <QTimer>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QGridLayout;

// The building blocks every settings pane is made of: a scrolling column of titled cards, each
// holding rows of a label and a control with an optional note under the control.
namespace corvale::settings {

// A titled card of rows, notes and buttons.
class SettingsCard : public form::Card {
public:
    explicit SettingsCard(const QString& title, QWidget* parent = nullptr);

    // A row: the label on the left, the control on the right, the note under the control.
    // The label is the control's buddy, so screen readers name the control by it, unless the
    // control has words of its own (a button's title).
    void row(const QString& label, QWidget* control, const QString& note = {});
    // A control across the card's whole width.
    void addWidget(QWidget* widget);
    // A note across the card's whole width.
    QLabel* addNote(const QString& text);

private:
    QGridLayout* grid_;
    int rows_ = 0;
};

// Whether a modal dialog or sheet is up. A view rebuilt while one runs its own event loop would
// destroy the control whose handler opened it, and which carries on once it closes: rebuilds wait.
bool modalRunning();

// A push button that runs `action` when clicked (with the mouse, Space or Enter: Enter presses
// the focused button; in a dialog, with no button focused, it presses the dialog's default).
QPushButton* makeButton(const QString& title, std::function<void()> action,
                        QWidget* parent = nullptr);

// A pane of the settings window: a scrolling column of cards that `build` fills. The column is
// built again each time the pane is shown (when `refreshOnShow` is on) and shortly after each of
// the pane's own edits (`reloadSoon`), so that every control reflects the stores. A rebuild keeps
// the scroll position and the keyboard focus on the control of the same name. The pane itself is
// a Tab stop, so the keyboard can scroll a pane without controls, with a ring while it has focus.
class FormPane : public QScrollArea {
public:
    explicit FormPane(QWidget* parent = nullptr);

    // Empties the column and fills it again.
    void rebuild();
    // Rebuilds once control returns to the event loop, after the edit that asked for it, and no
    // modal dialog is up.
    void reloadSoon();

protected:
    // Fills the column with addCard / addNote / addWidget.
    virtual void build() = 0;

    SettingsCard* addCard(const QString& title);
    QLabel* addNote(const QString& text);
    void addWidget(QWidget* widget);

    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    bool refreshOnShow = true;

private:
    void restoreFocus(const QString& path, int stop);

    QWidget* focusRing_;
    QWidget* column_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QTimer reloadTimer_;
    bool built_ = false;
};

} // namespace corvale::settings
