#pragma once

#include <functional>

namespace corvale {

// Opens the desktop's notification settings (GNOME's or KDE's panel); none when neither is
// installed, and the controls that would open them are then left disabled.
std::function<void()> desktopNotificationSettingsOpener();

} // namespace corvale
