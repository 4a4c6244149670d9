#pragma once

// What the settings views are tested with: the config model over its stores, preferences in
// memory, scripted dialogs, and the pane context built on them.

#include "core/SettingsPrefs.h"
#include "silence/linux/X11VirtualKey.h"
#include "support/FakeWorkspace.h"
#include "support/GuiApp.h"
#include "support/ModelStores.h"
#include "support/ScriptedDialogs.h"
#include "ui/settings/views/SettingsContext.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace corvale::test {

struct SettingsFixture : ModelStores {
    InMemoryPreferences preferences;
    SettingsPrefs prefs{preferences, center};
    ScriptedDialogs dialogs;
    FakeWorkspace workspace;
    settings::SettingsContext context{*model, prefs, center, dialogs, workspace, {}, {}};

    // How often each in-process notification was posted since the fixture was made.
    std::map<std::string, int> posted;
    std::vector<Subscription> watching;
    // What the views asked of the model's sounds switch; it is applied as the program does.
    std::vector<bool> soundsSwitched;

    SettingsFixture() {
        guiApp();
        // Test key events carry no native codes; their key symbols name the keys.
        context.keysymVirtualKeyCode = &X11VirtualKey::virtualKeyCodeForKeysym;
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
};

template <typename T> T* child(const QObject& parent, const QString& name) {
    auto* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

} // namespace corvale::test
