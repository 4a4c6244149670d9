#include "silence/GlobalShortcutMechanism.h"

#include <string_view>

namespace corvale {

bool isWaylandSession(const char* sessionType, const char* waylandDisplay) {
    return (sessionType && std::string_view(sessionType) == "wayland") ||
           (waylandDisplay && *waylandDisplay);
}

GlobalShortcutMechanism chooseGlobalShortcutMechanism(const ShortcutSessionFacts& facts) {
    if (!facts.wayland) {
        return GlobalShortcutMechanism::x11KeyGrab;
    }
    if (facts.portalOffersGlobalShortcuts.value_or(true)) {
        return GlobalShortcutMechanism::desktopPortal;
    }
    return facts.gnome ? GlobalShortcutMechanism::gnomeCustomShortcut
                       : GlobalShortcutMechanism::desktopCommand;
}

std::string mechanismName(GlobalShortcutMechanism mechanism) {
    switch (mechanism) {
    case GlobalShortcutMechanism::x11KeyGrab:
        return "X11 key grab";
    case GlobalShortcutMechanism::desktopPortal:
        return "the desktop portal's GlobalShortcuts";
    case GlobalShortcutMechanism::gnomeCustomShortcut:
        return "a GNOME custom keyboard shortcut, set with your consent in the General pane";
    case GlobalShortcutMechanism::desktopCommand:
        return "none on this Wayland session: bind the command in your desktop's settings";
    }
    return {};
}

std::string desktopShortcutCommand(const std::string& executable, const std::string& word) {
    const bool plain = !executable.empty() &&
                       executable.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRST"
                                                    "UVWXYZ0123456789/._-+") == std::string::npos;
    if (plain) {
        return executable + " " + word;
    }
    std::string quoted = "'";
    for (char c : executable) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "' " + word;
}

} // namespace corvale
