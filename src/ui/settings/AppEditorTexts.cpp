#include "ui/settings/AppEditorTexts.h"

#include "core/Text.h"
#include "signals/FlashPalette.h"

#include <array>
#include <utility>

namespace corvale::AppEditorTexts {

namespace {

constexpr int summaryLimit = 22;

} // namespace

std::string customSoundNote(const std::string& appName, bool on) {
    const std::string app = isolated(appName);
    if (on) {
        return "Give " + app +
               " its own sound and alerts. Turn off to use the default for all other apps - your "
               "settings are kept.";
    }
    return "Using the default sound for all other apps. Turn on \u201C" + std::string(customSound) +
           "\u201D to customize " + app + ".";
}

std::string notDetectedNote(const std::string& appName) {
    const std::string app = isolated(appName);
    // We hear every notification an app sends on the bus, whatever the desktop then shows, so the
    // only thing to check is that the app sends them at all.
    return "Corvale hasn\u2019t detected a notification from " + app +
           " yet, so your sound may never play. Make sure notifications are turned on in " + app +
           "\u2019s own settings - Corvale hears every notification it sends to the desktop. "
           "This clears automatically the first time " +
           app + " posts a notification.";
}

std::string rulesNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Add a rule to play a different sound when a notification from " + app +
           " matches a keyword or pattern - otherwise it uses the sound above.";
}

std::string ruleRowLabel(const std::optional<Condition>& condition, const std::string& soundName) {
    return conditionSummary(condition) + " \u2192 " + isolated(soundName);
}

std::string alertsNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return app +
           "\u2019s tray-icon blink and screen flash - so you can tell which app it is without "
           "hearing it.";
}

std::string overridesNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Overrides the global Screen Flash strength for " + app +
           " - e.g. make a can\u2019t-miss app\u2019s flash stronger, longer, or repeat. Leave on "
           "\u201CUse global default\u201D to follow your Settings \u25B8 General \u25B8 Screen "
           "Flash choices.";
}

std::string nativeSoundNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Turn on AFTER you\u2019ve muted " + app +
           "\u2019s own notification sound in your desktop\u2019s settings, so you don\u2019t "
           "hear two sounds.";
}

std::string removeAppNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Delete " + app +
           "\u2019s custom sound and settings, take it off the list, and clear its Recent "
           "Alerts. If " +
           app + " notifies you again, it\u2019ll use the default for all other apps.";
}

AlertSpec removeAppAlert(const std::string& appName) {
    const std::string app = isolated(appName);
    AlertSpec alert;
    alert.message = "Remove " + app + "?";
    alert.text = "This deletes " + app +
                 "\u2019s custom sound and settings and clears its Recent Alerts. If " + app +
                 " notifies you again, it\u2019ll use the default for all other apps. This "
                 "can\u2019t be undone.";
    alert.buttons = {remove, cancel};
    alert.destructive = true;
    return alert;
}

AlertSpec removeRuleAlert(const std::optional<Condition>& condition, const std::string& soundName,
                          const std::optional<std::string>& app) {
    AlertSpec alert;
    alert.message = "Remove this rule?";
    alert.text = conditionSummary(condition) + " \u2192 " + soundName + ". " +
                 (app ? *app : std::string("This app")) +
                 " keeps its sound above for other notifications. This can\u2019t be undone.";
    alert.buttons = {remove, cancel};
    alert.destructive = true;
    return alert;
}

std::string conditionSummary(const std::optional<Condition>& condition) {
    if (!condition) {
        return "Any";
    }
    std::string head;
    switch (condition->type) {
    case Condition::Type::titleContains:
        head = "Title: \u201C";
        break;
    case Condition::Type::bodyContains:
        head = "Body: \u201C";
        break;
    case Condition::Type::regex:
        head = "Regex: \u201C";
        break;
    }
    auto operand = trimmed(validUtf8(condition->value));
    if (auto cut = firstCharacters(operand, summaryLimit)) {
        operand = *cut + "\u2026";
    }
    return head + isolated(operand) + "\u201D";
}

std::string colorName(const FlashColor& color) {
    const auto& names = FlashPalette::names();
    const auto& palette = FlashPalette::colors();
    for (size_t i = 0; i < palette.size(); ++i) {
        if (palette[i].hexString() == color.hexString()) {
            return names[i];
        }
    }
    return "Custom color " + color.hexString();
}

std::string sheetTitle(const std::string& appName, bool editing) {
    const std::string app = isolated(appName);
    return (editing ? "Edit rule for " : "New rule for ") + app;
}

std::string sheetConditionNote(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Play this rule\u2019s sound only when " + app + "\u2019s notification matches.";
}

std::string regexRefusal(const std::string& errorName, const std::optional<int>& offset) {
    // ICU's own names (U_REGEX_...) mean nothing to someone typing a pattern.
    static const std::array<std::pair<const char*, const char*>, 15> words{{
        {"U_REGEX_MISSING_CLOSE_BRACKET", "missing \u201c]\u201d"},
        {"U_REGEX_MISMATCHED_PAREN", "a \u201c(\u201d or \u201c)\u201d without its partner"},
        {"U_REGEX_RULE_SYNTAX", "a character out of place"},
        {"U_REGEX_BAD_ESCAPE_SEQUENCE", "an unknown \u201c\\\u201d sequence"},
        {"U_REGEX_PROPERTY_SYNTAX", "an unknown \u201c\\p{\u2026}\u201d property"},
        {"U_REGEX_BAD_INTERVAL", "a \u201c{\u2026}\u201d repeat that isn\u2019t complete"},
        {"U_REGEX_MAX_LT_MIN", "a \u201c{min,max}\u201d repeat whose max is below its min"},
        {"U_REGEX_NUMBER_TOO_BIG", "a number that is too big"},
        {"U_REGEX_INVALID_BACK_REF", "a reference to a group that doesn\u2019t exist"},
        {"U_REGEX_INVALID_RANGE", "a range that isn\u2019t valid"},
        {"U_REGEX_LOOK_BEHIND_LIMIT", "a look-behind without a fixed maximum length"},
        {"U_REGEX_INVALID_FLAG", "an unknown \u201c(?\u2026)\u201d flag"},
        {"U_REGEX_SET_CONTAINS_STRING", "a \u201c[\u2026]\u201d set that holds a string"},
        {"U_REGEX_INVALID_CAPTURE_GROUP_NAME", "a group name that isn\u2019t valid"},
        {"U_REGEX_PATTERN_TOO_BIG", "a pattern that is too long"},
    }};
    std::string what = "not a valid pattern";
    for (const auto& [name, text] : words) {
        if (errorName == name) {
            what = text;
        }
    }
    std::string text = "This pattern can\u2019t be used: " + what;
    if (offset) {
        text += " at position " + std::to_string(*offset);
    }
    return text;
}

} // namespace corvale::AppEditorTexts
