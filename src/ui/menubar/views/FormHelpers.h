#pragma once

#include "core/AccentTheme.h"
#include "core/FlashColor.h"

#include <QColor>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QString>
#include <QToolButton>
#include <string>

// The few building blocks the menus are made of, one per visual idea, so that every card, row and
// note looks alike and follows the desktop's palette and fonts.
namespace corvale::form {

QString qs(const std::string& text);

// An outside name (an app's, a sound's) where the view has room for a line, not a page: its first
// `limit` characters and "…". The whole name belongs in the control's tooltip. Uncut, a name of
// thousands of characters widens the window past its screen.
inline constexpr int shortNameLimit = 48;
std::string shortName(const std::string& name, int limit = shortNameLimit);
// Caps a top-level window at the area its screen leaves free of panels.
void fitToScreen(QWidget& window);
QColor toQColor(const FlashColor& color);
FlashColor toFlashColor(const QColor& color);

// The colour a dropdown theme paints with: the brand colour, the desktop's accent (the
// application palette's highlight, whatever a view did to its own palette) or the custom colour.
QColor accentColor(const AccentTheme& theme);
// Black or white, whichever reads better on `fill`.
QColor textOn(const QColor& fill);

// A rounded panel in the palette's base colour that groups related rows.
class Card : public QFrame {
public:
    explicit Card(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A small rounded square in an application's colour; named for screen readers, since it is
// only a colour.
class ColorTile : public QWidget {
public:
    ColorTile(const QColor& color, const QString& accessibleName, int size = 22,
              QWidget* parent = nullptr);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// A short capitalised status word on a coloured pill ("LIVE").
class Pill : public QLabel {
public:
    Pill(const QString& text, const QColor& fill, QWidget* parent = nullptr);
    void setFill(const QColor& fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// A label that shows its text as written. Names and texts from notifications, files and the user
// may look like markup; a label left to guess would render it, and an <img> in it loads a file.
QLabel* label(const QString& text, QWidget* parent = nullptr);
// One line of outside text (a name, or a line holding one) in a row of fixed width: cut with
// `shortName` and then to the room the row leaves (or, cut in the middle, the whole line to that
// room), so a long name never pushes what stands beside it out of the row. The whole line is the
// label's tooltip.
class NameLabel : public QLabel {
public:
    explicit NameLabel(const QString& whole, Qt::TextElideMode mode = Qt::ElideRight,
                       QWidget* parent = nullptr);
    const QString& whole() const { return whole_; }
    bool isShortened() const { return shortened_ != whole_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString whole_;
    QString shortened_;
    Qt::TextElideMode mode_;
};

// A tooltip text that shows `text` as written: tooltips guess rich text as labels do.
QString plainTip(const QString& text);
// Bold text in the window font, one step larger.
QLabel* heading(const QString& text, QWidget* parent = nullptr);
// Secondary text: smaller, dimmer, wrapping.
QLabel* note(const QString& text, QWidget* parent = nullptr);
// A note in the warning colour, led by the warning mark; empty text shows nothing.
QLabel* warning(const QString& text, QWidget* parent = nullptr);
void setWarningText(QLabel* warning, const QString& text);
// A borderless button showing only an icon; its help text is also its accessible name.
QToolButton* iconButton(const QIcon& icon, const QString& help, const char* objectName,
                        QWidget* parent = nullptr);
// An icon drawn from a glyph of the window font, tinted in the palette's text colour.
QIcon glyphIcon(const QString& glyph, const QColor& color, int size = 16);
// The power symbol of the quit controls (the system fonts lack its glyph).
QIcon powerIcon(const QColor& color, int size = 16);

inline const QColor liveColor{0x2E, 0xA0, 0x43};
inline const QColor actionNeededColor{0xD9, 0x6B, 0x00};
inline const QColor warningColor{0xC7, 0x7C, 0x02};

} // namespace corvale::form
