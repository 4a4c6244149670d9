#pragma once

#include <functional>

namespace corvale {

// Opens the desktop's notification settings (GNOME's or KDE's panel); none when neither is
// installed, and the controls that would open them are then left disabled.
std::function<void()> desktopNotificationSettingsOpener();

// Opens the desktop's keyboard shortcut settings where it has a panel we know (KDE's); none
// elsewhere.
std::function<void()> desktopShortcutSettingsOpener();

} // namespace corvale
