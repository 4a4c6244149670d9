#pragma once

#include "core/Log.h"
#include "platform/SupportContact.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace corvale {

class ConfigModel;
class Dialogs;
class HotKeyNotes;
class KeyboardLayout;
class LoginItemService;
class NotificationCenter;
class SettingsPrefs;
class Workspace;

namespace settings {

// What the panes of the settings window work with. Every edit goes through the model or the
// preferences; the panes keep no state of their own beyond their widgets.
struct SettingsContext {
    ConfigModel& model;
    SettingsPrefs& prefs;
    NotificationCenter& center;
    Dialogs& dialogs;
    Workspace& workspace;
    // Told after a pane removed an application or applied a preset; the window rebuilds its
    // sidebar on them once the pane's action has finished.
    std::function<void()> onAppRemoved;
    std::function<void()> onPresetApplied;

    // Launch at login; without a service the switch is left out. Failures go to `systemLog`.
    LoginItemService* loginItems = nullptr;
    LogFn systemLog = {};
    // The shortcut recorders: the user's layout names the keys (the US labels without one), the
    // window system turns a key event's code, or else its key symbol, into a virtual key code
    // (without either, keys are refused), and the notes say what became of each shortcut
    // (without them, nothing is said).
    KeyboardLayout* keyboardLayout = nullptr;
    std::function<std::optional<std::uint32_t>(std::uint8_t nativeKeyCode)> virtualKeyCode = {};
    std::function<std::optional<std::uint32_t>(std::uint32_t keysym)> keysymVirtualKeyCode = {};
    HotKeyNotes* hotKeyNotes = nullptr;
    // Qt draws on Wayland itself here, so the screen flash cannot be shown.
    bool flashNeedsXWayland = false;
    // The operating system the support mails name; without it they name none.
    std::function<SystemFacts()> systemFacts = {};
};

} // namespace settings
} // namespace corvale
