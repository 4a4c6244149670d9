#pragma once

#include "core/HotKeyCombo.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// How the mute-all and snooze shortcuts reach the desktop in this session.
enum class GlobalShortcutMechanism {
    x11KeyGrab,          // an X11 session: passive key grabs on the root window
    desktopPortal,       // Wayland with the portal's GlobalShortcuts: the desktop assigns the keys
    gnomeCustomShortcut, // Wayland on GNOME without it: GNOME's own custom keyboard shortcut
    desktopCommand,      // Wayland elsewhere without it: the user binds the command by hand
};

struct ShortcutSessionFacts {
    bool wayland = false;
    // None while the portal has not answered.
    std::optional<bool> portalOffersGlobalShortcuts;
    bool gnome = false;
};

// Whether this is a Wayland session, from XDG_SESSION_TYPE and WAYLAND_DISPLAY (either one says
// so). The program decides this once, here.
bool isWaylandSession(const char* sessionType, const char* waylandDisplay);

// X11 sessions grab keys; on Wayland no grab could work, so the portal is used when it offers
// global shortcuts (also while it has not answered yet: it is asked again on its answer), else
// the desktop's own shortcut settings.
GlobalShortcutMechanism chooseGlobalShortcutMechanism(const ShortcutSessionFacts& facts);

// The mechanism's name in log lines.
std::string mechanismName(GlobalShortcutMechanism mechanism);

// One shortcut as the General pane tells of it.
struct GlobalShortcutStatus {
    GlobalShortcutMechanism mechanism = GlobalShortcutMechanism::x11KeyGrab;
    std::optional<HotKeyCombo> combo;
    bool registered = false; // held now (a key grab, or the wish handed to the portal)
    // What the desktop assigned through the portal; none before it answered or when it assigned
    // nothing.
    std::optional<std::string> assignedTrigger;
    // The desktop wants the keys set in its own settings.
    bool setInDesktopSettings = false;
};

// The command line a desktop shortcut runs: the program's absolute path, quoted for the shell
// when it needs it, and the command word ("/usr/bin/corvale mute").
std::string desktopShortcutCommand(const std::string& executable, const std::string& word);

} // namespace corvale
