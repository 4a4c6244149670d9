#include "ui/settings/GeneralTexts.h"

namespace corvale::GeneralTexts {

std::string accessStatus(bool granted) {
    return granted ? "Granted" : "Not granted";
}

std::string launchAtLoginTemporary(const std::string& program) {
    return "This copy of Corvale runs from a temporary folder (" + program +
           "), which may be gone when you next log in. Install Corvale to start it at login.";
}

std::string hotKeyAssigned(const std::string& trigger) {
    return "Your desktop assigned " + trigger +
           " to this shortcut. Change it in your desktop\u2019s keyboard shortcut settings.";
}

std::string hotKeyUnavailable(const std::string& command) {
    return "Global shortcuts are not available on this Wayland session. To use these keys, bind "
           "them in your desktop\u2019s keyboard settings to the command: " +
           command;
}

std::string hotKeyGnomeOffer(const std::string& command) {
    return "Global shortcuts are not available on this Wayland session. Corvale can add these "
           "keys to GNOME\u2019s keyboard shortcuts, running \u201C" +
           command + "\u201D.";
}

std::string hotKeyGnomeSet(const std::string& command) {
    return "Set as a GNOME keyboard shortcut running \u201C" + command +
           "\u201D. Clearing the shortcut here removes it.";
}

std::string addGnomeShortcutText(const std::string& title, const std::string& keys,
                                 const std::string& command) {
    return "Corvale will add the custom shortcut \u201C" + title +
           "\u201D to GNOME\u2019s keyboard settings: " + keys + " will run \u201C" + command +
           "\u201D. You can remove it here or in GNOME Settings.";
}

const std::vector<int>& snoozeChoices() {
    static const std::vector<int> minutes{15, 30, 60, 120};
    return minutes;
}

} // namespace corvale::GeneralTexts
