#pragma once

// What the settings views are tested with: the config model over its stores, preferences in
// memory, scripted dialogs, a fake desktop, and the pane context built on them.

#include "core/SettingsPrefs.h"
#include "silence/linux/X11VirtualKey.h"
#include "support/FakeWorkspace.h"
#include "support/GuiApp.h"
#include "support/ModelStores.h"
#include "support/ScriptedDialogs.h"
#include "ui/settings/views/SettingsContext.h"

#include <QComboBox>
#include <QWidget>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace corvale::test {

struct SettingsFixture : ModelStores {
    InMemoryPreferences preferences;
    SettingsPrefs prefs{preferences, center};
    ScriptedDialogs dialogs;
    FakeWorkspace workspace;
    // The rules the model played, and how often a pane removed an app or applied a preset.
    std::vector<Rule> played;
    int appsRemoved = 0;
    int presetsApplied = 0;
    settings::SettingsContext context{*model,
                                      prefs,
                                      center,
                                      dialogs,
                                      workspace,
                                      [this] { ++appsRemoved; },
                                      [this] { ++presetsApplied; }};

    // How often each in-process notification was posted since the fixture was made.
    std::map<std::string, int> posted;
    std::vector<Subscription> watching;
    // What the views asked of the model's sounds switch; it is applied as the program does.
    std::vector<bool> soundsSwitched;

    SettingsFixture()
        : ModelStores(
              [this](const Rule& rule, const ObservedNotification&) { played.push_back(rule); },
              {"Glass", "Submarine"}) {
        guiApp();
        // Test key events carry no native codes; their key symbols name the keys.
        context.keysymVirtualKeyCode = &X11VirtualKey::virtualKeyCodeForKeysym;
        log.lines.clear();
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

    // The rules as the file on disk holds them.
    nlohmann::json storedRules() const {
        return nlohmann::json::parse(readFile(dir / "rules.json")).at("rules");
    }
    // The stored rule of an app ("*" for the default rule) without a condition.
    nlohmann::json storedBase(const std::string& displayName) const {
        for (const auto& rule : storedRules()) {
            if ((displayName == "*" ? rule.at("appBundleId") == "*"
                                    : rule.at("appDisplayName") == displayName) &&
                !rule.contains("condition")) {
                return rule;
            }
        }
        return nullptr;
    }
};

// What a user's pick from the pop-up does: the item becomes current and is activated.
inline void choose(QComboBox* popUp, const QString& title) {
    const int index = popUp->findText(title);
    ASSERT_GE(index, 0) << title.toStdString();
    popUp->setCurrentIndex(index);
    emit popUp->activated(index);
}

} // namespace corvale::test
