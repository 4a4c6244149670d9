#include "ui/settings/InfoPaneTexts.h"

#include "core/Text.h"
#include "ui/menubar/MenuModel.h"
#include "ui/menubar/MenuTexts.h"

#include <unordered_set>

namespace corvale::InfoPaneTexts {

AlertSpec clearHistoryAlert() {
    return {MenuTexts::clearAllTitle,
            MenuTexts::clearAllText,
            {MenuTexts::clear, MenuTexts::cancel},
            true};
}

PromptSpec renameSoundPrompt(const CustomSound& sound) {
    return {"Rename \u201C" + sound.name + "\u201D",
            "Give this saved sound a name you\u2019ll recognize in an app\u2019s Sound menu.",
            sound.name, "Rename", "Cancel"};
}

AlertSpec deleteSoundAlert(const CustomSound& sound, const std::vector<Rule>& rules) {
    // An app with several rules on the file is still one app that keeps playing it.
    std::vector<std::string> apps;
    std::unordered_set<std::string> keys;
    for (const auto& name : MenuModel::appsUsingFile(sound.fileURL, rules)) {
        if (keys.insert(nameKey(name)).second) {
            apps.push_back(trimmed(name));
        }
    }
    std::string text;
    if (apps.empty()) {
        text = "This removes it from My Sounds and deletes the file. This can\u2019t be undone.";
    } else {
        const bool one = apps.size() == 1;
        std::string names;
        for (const auto& app : apps) {
            names += (names.empty() ? "" : ", ") + app;
        }
        text = "This removes it from My Sounds. " + names + " still " + (one ? "uses" : "use") +
               " this sound, so the file is kept - " +
               (one ? "that app keeps" : "those apps keep") + " playing it until you change " +
               (one ? "it" : "them") + ".";
    }
    return {"Delete \u201C" + sound.name + "\u201D?", text, {"Delete", "Cancel"}, true};
}

std::string presetPlays(const std::string& soundName) {
    return "Plays " + soundName;
}

const std::vector<std::string>& fixDoubleSoundSteps() {
    static const std::vector<std::string> steps{
        "Open your desktop\u2019s notification settings and turn off the app\u2019s notification "
        "sound.",
        "If the app plays a sound of its own, turn that off in the app\u2019s own preferences.",
        "In the app\u2019s Corvale settings, switch on \u201CMuted in your desktop\u2019s "
        "settings\u201D under Native Sound - the app then leaves the list below.",
    };
    return steps;
}

const std::vector<std::string>& detectionSteps() {
    static const std::vector<std::string> steps{
        "Make sure the app\u2019s notifications are on, both in the app and in your desktop\u2019s "
        "settings.",
        "Some apps only badge their own window or tray icon instead of posting a notification - "
        "Corvale can\u2019t hear those.",
        "Corvale matches the app name each notification carries - check that the app\u2019s name "
        "in Corvale is the one its notifications use.",
        "Send yourself a test from the app; once it arrives, the app leaves the list below.",
    };
    return steps;
}

} // namespace corvale::InfoPaneTexts
