#pragma once

#include "core/Log.h"
#include "silence/DesktopShortcuts.h"
#include "silence/GlobalShortcutMechanism.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace corvale {

class Dialogs;

// What the General pane says under each shortcut recorder, and the one action it offers there:
// the keys the desktop assigned, where to set them, or, where no program may hold a global
// shortcut, the desktop's own shortcut running Corvale's command. Nothing is written to the
// desktop's settings before the user agreed in a dialog; a shortcut added so is updated when the
// user records other keys and removed when the user clears them.
class HotKeyNotes {
public:
    struct Note {
        std::string text; // empty: nothing to say
        bool warning = false;
        std::string action; // a button's title; empty: no button
        friend bool operator==(const Note&, const Note&) = default;
    };
    struct Sources {
        std::function<GlobalShortcutStatus(std::uint32_t hotKeyID)> status;
        // Opens the desktop's keyboard shortcut settings; none where we know of no such panel.
        std::function<void()> openShortcutSettings;
        DesktopShortcuts* desktopShortcuts = nullptr;
        std::string executable; // what a desktop shortcut runs
    };

    HotKeyNotes(Sources sources, Dialogs& dialogs, LogFn log);

    Note note(std::uint32_t hotKeyID);
    void act(std::uint32_t hotKeyID);
    // After the user recorded or cleared the shortcut's keys.
    void comboChanged(std::uint32_t hotKeyID);

private:
    struct Named {
        const char* name;
        const char* title;
        const char* word;
    };
    static Named named(std::uint32_t hotKeyID);
    std::string command(std::uint32_t hotKeyID) const;
    bool desktopShortcutSet(std::uint32_t hotKeyID);
    bool writeDesktopShortcut(std::uint32_t hotKeyID, const HotKeyCombo& combo);

    Sources sources_;
    Dialogs& dialogs_;
    LogFn log_;
    // Whether our desktop shortcut is there, read once and then kept by our own writes.
    std::map<std::uint32_t, bool> desktopShortcutSet_;
};

} // namespace corvale
