#pragma once

#include "core/AccentTheme.h"
#include "core/Subscription.h"
#include "ui/menubar/ConfigModel.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace corvale {

namespace form {
class Pill;
}

// The small menu of the tray icon's secondary click: the engine's badge, the play-sounds switch,
// snooze or resume, settings, updates and quit.
class QuickMenuView : public QWidget {
    Q_OBJECT
public:
    struct Options {
        // The configured snooze span in minutes, read each time the menu refreshes.
        std::function<int()> snoozeMinutes;
        // The dropdown theme colour.
        std::function<AccentTheme()> accent;
    };

    QuickMenuView(ConfigModel& model, Options options, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    QPushButton* quickRow(const QString& title, const QString& symbol, const char* help,
                          const char* objectName);
    void refresh();

    ConfigModel& model_;
    Options options_;
    Subscription changes_;
    form::Pill* badge_ = nullptr;
    QCheckBox* playSounds_ = nullptr;
    QPushButton* snooze_ = nullptr;
};

} // namespace corvale
