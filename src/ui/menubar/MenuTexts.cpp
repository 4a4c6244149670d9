#include "ui/menubar/MenuTexts.h"
#include "core/Text.h"

#include "history/UnreadTally.h"
#include "silence/Snooze.h"

namespace corvale::MenuTexts {

std::string badge(bool trusted) {
    return trusted ? liveBadge : actionNeededBadge;
}

std::string engineLine(bool trusted) {
    return trusted ? "Corvale is watching the notification server for new alerts"
                   : "Corvale needs notification access to detect notifications";
}

std::string playSoundsHelp(bool soundsEnabled) {
    return soundsEnabled ? "Turn off all custom notification sounds without changing app rules"
                         : "Resume custom notification sounds for enabled app rules";
}

std::string doubleSoundNotice(int count) {
    return std::to_string(count) + " app(s) may play two sounds";
}

std::string undetectedNotice(int count) {
    return std::to_string(count) + " app(s) not detected";
}

std::string saveProblem(const std::string& file, const std::string& why) {
    return "Changes are not being saved: Corvale could not write " + file + " (" + why +
           "). They will be lost when Corvale quits.";
}

std::string storeSetAside(const std::string& file, const std::string& backup) {
    if (backup.empty()) {
        return file + " could not be read or moved aside. Corvale leaves it as it is and saves "
                      "nothing to it until it restarts.";
    }
    return file + " could not be read, so Corvale moved it to " + backup + " and started afresh.";
}

std::string repeatPill(int count) {
    return UnreadTally::badgeLabel(count) + " alerts";
}

std::string repeatPillHelp(int count) {
    return std::to_string(count) + " recent alerts are grouped into this row";
}

std::string openAppHelp(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Open " + app + "; its tile uses the same color as its visual flash";
}

std::string doubleSoundWarning(const std::string& appName) {
    const std::string app = isolated(appName);
    return app + " may play its original sound and Corvale's sound together";
}

std::string clearAppAlerts(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Clear " + app + "'s alerts";
}

std::string editAppHelp(const std::string& appName) {
    const std::string app = isolated(appName);
    return "Open sound and alert settings for " + app + "; its tile matches the visual-flash color";
}

std::string notDetectedWarning(const std::string& appName) {
    const std::string app = isolated(appName);
    return "No notification detected from " + app + " yet";
}

std::string snoozeTitle(bool snoozed, int snoozeMinutes) {
    return snoozed ? "Resume sounds now" : "Snooze for " + Snooze::durationLabel(snoozeMinutes);
}

} // namespace corvale::MenuTexts
