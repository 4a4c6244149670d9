#pragma once

#include <string>
#include <vector>

namespace corvale {

// The words and choices of the General settings pane. Worded for the Linux desktop: the icon sits
// in the tray of the panel, and the permission is notification access.
namespace GeneralTexts {

inline constexpr const char* soundsCard = "Sounds";
inline constexpr const char* playSounds = "Play sounds";
inline constexpr const char* playSoundsNote =
    "Play your custom sound when an app notifies you. Turn off to stay silent - tray-icon and "
    "screen flashes still fire.";
inline constexpr const char* muteHotKey = "Mute all sounds:";
inline constexpr const char* muteHotKeyNote =
    "Set a global keyboard shortcut to toggle \u201CPlay sounds\u201D on or off without leaving "
    "the app you\u2019re in. Click, then press the keys (e.g. Alt+Super+M).";
inline constexpr const char* snoozeHotKey = "Snooze sounds:";
inline constexpr const char* snoozeHotKeyNote =
    "Set a global keyboard shortcut to silence sounds temporarily. Press it once to snooze for "
    "the span below; press it again to resume right away.";
inline constexpr const char* snoozeFor = "Snooze for:";
// Told under a recorder whose shortcut could not be registered.
inline constexpr const char* clearShortcut = "Clear shortcut";
inline constexpr const char* hotKeyInUse =
    "Another program already uses this shortcut, so it does nothing here. Choose another one.";

// Global shortcuts on Wayland sessions, where the desktop rather than Corvale holds the keys.
// The titles are what the desktop's settings list.
inline constexpr const char* muteShortcutTitle = "Mute all sounds";
inline constexpr const char* snoozeShortcutTitle = "Snooze sounds";
std::string hotKeyAssigned(const std::string& trigger);
inline constexpr const char* hotKeyWaiting = "Waiting for your desktop to assign the keys\u2026";
inline constexpr const char* hotKeySetInDesktop =
    "Your desktop decides the keys of this shortcut: set them in your desktop\u2019s keyboard "
    "shortcut settings, where it is listed under Corvale.";
inline constexpr const char* openShortcutSettings = "Open Shortcut Settings\u2026";
std::string hotKeyUnavailable(const std::string& command);
std::string hotKeyGnomeOffer(const std::string& command);
std::string hotKeyGnomeSet(const std::string& command);
inline constexpr const char* addGnomeShortcut = "Add to GNOME Shortcuts\u2026";
inline constexpr const char* removeGnomeShortcut = "Remove from GNOME Shortcuts";
inline constexpr const char* addGnomeShortcutMessage = "Add a GNOME keyboard shortcut?";
std::string addGnomeShortcutText(const std::string& title, const std::string& keys,
                                 const std::string& command);
inline constexpr const char* addGnomeShortcutButton = "Add Shortcut";
inline constexpr const char* cancel = "Cancel";
inline constexpr const char* gnomeShortcutFailed =
    "GNOME\u2019s keyboard settings could not be changed. Set the shortcut in GNOME Settings "
    "instead.";

inline constexpr const char* flashCard = "Screen Flash";
inline constexpr const char* intensity = "Intensity:";
inline constexpr const char* intensityNote =
    "How bright the screen flash is. Choose \u201CGentle\u201D for a soft, low-brightness fade - "
    "recommended if you\u2019re sensitive to flashing light.";
inline constexpr const char* duration = "Duration:";
inline constexpr const char* durationNote =
    "How long each flash lingers. \u201CLong\u201D holds it on screen so it\u2019s easy to catch "
    "if you glance away.";
inline constexpr const char* repeat = "Repeat:";
inline constexpr const char* repeatNote =
    "Flash more than once per notification so you\u2019re less likely to miss it.";
inline constexpr const char* preview = "Preview:";
inline constexpr const char* testFlash = "Test flash";
inline constexpr const char* testFlashNote =
    "See a sample flash with the settings above - no need to leave this pane.";
// Shown on Qt's wayland platform, where Corvale cannot draw over other windows.
inline constexpr const char* flashNeedsXWayland =
    "The screen flash needs XWayland, which Corvale cannot use in this session. Sounds and the "
    "tray icon still work.";
inline constexpr const char* testFlashNeedsXWayland =
    "No flash can be shown: the screen flash needs XWayland in this session.";
inline constexpr const char* flashCardNote =
    "These apply to every app\u2019s screen flash. Each app\u2019s flash color and full-screen "
    "vs. screen-edge style are set in that app\u2019s editor.";

inline constexpr const char* startupCard = "Startup";
inline constexpr const char* launchAtLogin = "Launch at login";
inline constexpr const char* launchAtLoginNote =
    "Start Corvale automatically when you log in, so it\u2019s always watching for notifications "
    "without your having to open it by hand.";
// Told when the program the login entry would start lies in a temporary folder.
std::string launchAtLoginTemporary(const std::string& program);

inline constexpr const char* iconCard = "Tray Icon";
inline constexpr const char* iconNote =
    "Pick the glyph shown in the panel while Corvale is watching for notifications. Hover a tile "
    "for its name.";

inline constexpr const char* appearanceCard = "Appearance";
inline constexpr const char* dropdownTheme = "Dropdown theme:";
inline constexpr const char* dropdownThemeNote =
    "Pick the color that themes the tray dropdown: Corvale Cyan, your computer\u2019s accent "
    "color, or a custom color. The Corvale mark and your per-app alert colors stay put.";
inline constexpr const char* brandTheme = "Corvale Cyan";
// The system tile shows a short word; its tooltip says it in full.
inline constexpr const char* systemThemeTile = "System";
inline constexpr const char* systemTheme = "System accent color";
inline constexpr const char* customTheme = "Custom color\u2026";
inline constexpr const char* sidebarAccent = "Accent-colored sidebar icons:";
inline constexpr const char* sidebarAccentNote =
    "Tint the Settings sidebar icons with your computer\u2019s accent color. Turn off for the "
    "classic multicolor icons.";

inline constexpr const char* permissionsCard = "Permissions";
inline constexpr const char* notificationAccess = "Notification access:";
inline constexpr const char* openSettings = "Open Settings\u2026";
inline constexpr const char* permissionsNote =
    "Corvale reads notifications by watching the session bus. Without notification access it "
    "can\u2019t detect when your apps notify you.";
std::string accessStatus(bool granted);

inline constexpr const char* privacyCard = "Privacy";
inline constexpr const char* privacyNote =
    "100% local. Corvale reads notifications on-device to play your sounds; nothing is ever sent "
    "off your computer.";

// The snooze spans offered, in minutes.
const std::vector<int>& snoozeChoices();

} // namespace GeneralTexts
} // namespace corvale
