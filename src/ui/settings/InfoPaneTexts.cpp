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
    return {"Rename \u201C" + isolated(sound.name) + "\u201D",
            "Give this saved sound a name you\u2019ll recognize in an app\u2019s Sound menu.",
            sound.name, "Rename", "Cancel"};
}

namespace {

// The apps whose rules play the sound's file, each once however many of its rules do.
std::vector<std::string> appsUsing(const CustomSound& sound, const std::vector<Rule>& rules) {
    std::vector<std::string> apps;
    std::unordered_set<std::string> keys;
    for (const auto& name : MenuModel::appsUsingFile(sound.fileURL, rules)) {
        if (keys.insert(nameKey(name)).second) {
            apps.push_back(trimmed(name));
        }
    }
    return apps;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) {
        out += (out.empty() ? "" : ", ") + isolated(name);
    }
    return out;
}

} // namespace

std::string soundUsage(const CustomSound& sound, const std::vector<Rule>& rules) {
    auto apps = appsUsing(sound, rules);
    return apps.empty() ? "Not used by any app" : "Used by " + joined(apps);
}

AlertSpec deleteSoundAlert(const CustomSound& sound, const std::vector<Rule>& rules,
                           bool fileIsOurs) {
    const auto apps = appsUsing(sound, rules);
    std::string text;
    if (apps.empty() && fileIsOurs) {
        text = "This removes it from My Sounds and deletes the file. This can\u2019t be undone.";
    } else if (apps.empty()) {
        text = "This removes it from My Sounds. Its file stays where it is: Corvale deletes only "
               "the files in its own Sounds folder.";
    } else {
        const bool one = apps.size() == 1;
        const std::string names = joined(apps);
        text = "This removes it from My Sounds. " + names + " still " + (one ? "uses" : "use") +
               " this sound, so the file is kept - " +
               (one ? "that app keeps" : "those apps keep") + " playing it until you change " +
               (one ? "it" : "them") + ".";
    }
    return {"Delete \u201C" + isolated(sound.name) + "\u201D?", text, {"Delete", "Cancel"}, true};
}

std::string presetPlays(const std::string& soundName) {
    return "Plays " + soundName;
}

std::string openAppHelp(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Open " + app + "\u2019s sound and alert settings";
}

std::string playsOwnSoundNote(const std::string& appName) {
    return isolated(appName) +
           " plays its own sound: turn on \u201CStay quiet when the app plays its own "
           "sound\u201D in its editor.";
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
        "Make sure notifications are turned on in the app\u2019s own settings - Corvale hears "
        "every "
        "notification an app sends to the desktop, even one your desktop then hides.",
        "Some apps only badge their own window or tray icon instead of posting a notification - "
        "Corvale can\u2019t hear those.",
        "Corvale matches the app name each notification carries - check that the app\u2019s name "
        "in Corvale is the one its notifications use.",
        "Send yourself a test from the app; once it arrives, the app leaves the list below.",
    };
    return steps;
}

} // namespace corvale::InfoPaneTexts
