#pragma once

#include "core/NotificationCenter.h"
#include "core/Preferences.h"
#include "core/SettingsPrefs.h"
#include "core/linux/QtScheduler.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "platform/Dialogs.h"
#include "store/RuleStore.h"
#include "ui/menubar/ConfigModel.h"

#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

class QWidget;

namespace corvale {

// The stores, preferences and model of a sample session, all in a temporary folder: what the
// screenshot harness draws the views from.
struct SampleSession {
    QTemporaryDir folder;
    std::filesystem::path path{folder.path().toStdString()};
    LogFn quiet = [](const std::string&) {};
    RuleStore rules{path / "rules.json", quiet};
    CustomSoundStore sounds{path / "custom-sounds.json", quiet};
    ObservedAppsStore observed{path / "observed-apps.json", quiet};
    PingLogStore pings{path / "ping-log.json", quiet};
    NotificationCenter center;
    QtScheduler scheduler;
    std::unique_ptr<ConfigModel> model;

    InMemoryPreferences preferences;
    SettingsPrefs prefs{preferences, center};

    // With data: three apps with rules, content rules, alerts and seen apps; without, a first run.
    explicit SampleSession(bool withData);
};

// The harness answers no dialog: views drawn from sample data never ask one.
struct NoDialogs : Dialogs {
    std::optional<std::size_t> runModalAlert(const AlertSpec&) override { return std::nullopt; }
    std::optional<std::string> runPrompt(const PromptSpec&) override { return std::nullopt; }
    std::optional<std::filesystem::path> runOpenPanel(const OpenPanelSpec&) override {
        return std::nullopt;
    }
    void beep() override {}
};

// Draws a popup view at its natural size, with the outline its window draws around it.
QImage grabPopup(QWidget* widget, qreal scale);
// Draws a window's content at the given size.
QImage grabAtSize(QWidget* widget, QSize size, qreal scale);

} // namespace corvale
