#pragma once

// A settings context over the config model and its stores, with scripted dialogs and a fake
// desktop, as the app editor, the rule sheet and the add-app chooser see it in the program.

#include "core/Preferences.h"
#include "core/SettingsPrefs.h"
#include "support/FakeWorkspace.h"
#include "support/GuiApp.h"
#include "support/ModelStores.h"
#include "support/ScriptedDialogs.h"
#include "ui/settings/views/SettingsContext.h"

#include <QComboBox>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>

namespace corvale::test {

struct EditorFixture : ModelStores {
    InMemoryPreferences preferences;
    SettingsPrefs prefs{preferences, center};
    ScriptedDialogs dialogs;
    FakeWorkspace workspace;
    std::vector<SoundRef> played;
    int appsRemoved = 0;
    std::unique_ptr<settings::SettingsContext> context;

    EditorFixture()
        : ModelStores([this](const Rule& rule,
                             const ObservedNotification&) { played.push_back(rule.sound); },
                      {"Glass", "Submarine"}) {
        guiApp();
        log.lines.clear();
        context = std::make_unique<settings::SettingsContext>(settings::SettingsContext{
            *model, prefs, center, dialogs, workspace, [this] { ++appsRemoved; }, {}});
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

template <typename T> T* child(QWidget& parent, const QString& name) {
    auto* widget = parent.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}

// What a user's pick from the pop-up does: the item becomes current and is activated.
inline void choose(QComboBox* popUp, const QString& title) {
    const int index = popUp->findText(title);
    ASSERT_GE(index, 0) << title.toStdString();
    popUp->setCurrentIndex(index);
    emit popUp->activated(index);
}

} // namespace corvale::test
