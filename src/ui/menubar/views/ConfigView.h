#pragma once

#include "core/AccentTheme.h"
#include "core/Subscription.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/PopoverLens.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace corvale {

namespace form {
class Pill;
}

// The dashboard: the engine's state, the notices that need the user, and the lens card that shows
// either the recent alerts or the per-app sounds. Every control calls the model; the view re-reads
// the model whenever it announces a change.
class ConfigView : public QWidget {
    Q_OBJECT
public:
    struct Options {
        PopoverLens initialLens = PopoverLens::alerts;
        std::function<void(PopoverLens)> onLensChosen;
        // The dropdown theme: the chosen lens and other highlights take its colour.
        std::function<AccentTheme()> accent = {};
        // Asked each time the view opens: until the user picks a lens, the one the alerts call
        // for may have changed since the last opening.
        std::function<PopoverLens()> lensAtOpening = {};
    };

    ConfigView(ConfigModel& model, Options options, QWidget* parent = nullptr);

    PopoverLens lens() const { return lens_; }
    // Changes that arrive while the view is hidden are applied here, once, before it shows:
    // rebuilding a hidden dashboard on every alert costs the alert's own moment.
    void refreshIfStale();

signals:
    // The content changed size; a popup holding the view fits itself again.
    void contentChanged();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* signalHeader();
    QWidget* engineStatusCard();
    QWidget* signalLensCard();
    QWidget* footer();
    QWidget* alertsLens();
    QWidget* soundsLens();
    // One app's row in the alerts lens, with the parts a later refresh changes in place.
    struct AlertRowParts {
        QWidget* box = nullptr;
        form::Pill* pill = nullptr;
        QLabel* time = nullptr;
        bool twoSounds = false;
        QColor color;
    };
    AlertRowParts alertRow(const AppAlertGroup& group, TimePoint now);
    // Whether the row still has the shape the group needs, so only its texts change.
    bool rowFits(const AlertRowParts& row, const AppAlertGroup& group) const;
    QWidget* soundsRow(const ConfigModel::App& app);
    QWidget* emptyState(const char* text);

    void chooseLens(PopoverLens lens);
    void refresh();
    // The engine card: a few texts, cheap enough for every change.
    void refreshStatus();
    // The notices and the lens's rows, once control is back in the event loop and at most every
    // rowsInterval: a burst of alerts rebuilds them a few times a second, the last time with the
    // burst's end.
    void refreshRowsSoon();
    void refreshRows();
    void applyAccent();
    void rebuildContent();

    ConfigModel& model_;
    Options options_;
    PopoverLens lens_;
    Subscription changes_;
    bool stale_ = false;
    QTimer rowsSoon_;
    QElapsedTimer sinceRows_;

    form::Pill* badge_ = nullptr;
    QLabel* engineLine_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* restoreAccess_ = nullptr;
    // What the last try to restore access found, while access is still missing.
    QLabel* restoreResult_ = nullptr;
    QCheckBox* playSounds_ = nullptr;
    QAbstractButton* alertsButton_ = nullptr;
    QAbstractButton* soundsButton_ = nullptr;
    QVBoxLayout* noticesLayout_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    // The alerts lens's rows by app, kept between refreshes: during a burst of alerts most rows
    // only change their count and time, and building hundreds of rows again would stall.
    QPointer<QWidget> alertsBox_;
    std::map<std::string, AlertRowParts> alertRows_;
};

} // namespace corvale
