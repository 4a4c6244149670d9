#pragma once

// What the settings views are tested with: a config model over stores in a temporary folder,
// preferences in memory, scripted dialogs, and the pane context built on them.

#include "core/NotificationCenter.h"
#include "core/SettingsPrefs.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"
#include "support/FakeWorkspace.h"
#include "support/GuiApp.h"
#include "support/ManualScheduler.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/settings/views/SettingsContext.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace corvale::test {

struct SettingsFixture {
    TempDir dir;
    LogFn quiet = [](const std::string&) {};
    RuleStore rules{dir / "rules.json", quiet};
    CustomSoundStore sounds{dir / "sounds.json", quiet};
    ObservedAppsStore observed{dir / "observed.json", quiet};
    PingLogStore pings{dir / "pings.json", quiet};
    NotificationCenter center;
    ManualScheduler scheduler;
    std::unique_ptr<ConfigModel> model;
    InMemoryPreferences preferences;
    SettingsPrefs prefs{preferences, center};
    ScriptedDialogs dialogs;
    FakeWorkspace workspace;
    settings::SettingsContext context{*makeModel(), prefs, center, dialogs, workspace, {}, {}};

    // How often each in-process notification was posted since the fixture was made.
    std::map<std::string, int> posted;
    std::vector<Subscription> watching;
    // What the views asked of the model's sounds switch; it is applied as the program does.
    std::vector<bool> soundsSwitched;

    SettingsFixture() {
        model->onSoundsEnabledChanged = [this](bool on) {
            soundsSwitched.push_back(on);
            prefs.setSoundsEnabled(on);
        };
        for (const char* name :
             {notes::statusItemNeedsRefresh, notes::hotKeyChanged, notes::testFlash,
              notes::themeAccentChanged, notes::sidebarIconStyleChanged}) {
            watching.push_back(center.observe(name, [this, name] { ++posted[name]; }));
        }
    }

private:
    ConfigModel* makeModel() {
        guiApp();
        rules.load();
        sounds.load();
        observed.load();
        pings.load();
        model = std::make_unique<ConfigModel>(
            ConfigModel::Stores{rules, sounds, observed, pings},
            [](const Rule&, const ObservedNotification&) {}, std::vector<std::string>{"Submarine"},
            center, scheduler, quiet);
        return model.get();
    }
};

template <typename T> T* child(const QObject& parent, const QString& name) {
    auto* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

} // namespace corvale::test
