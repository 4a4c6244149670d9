#pragma once

#include "core/Scheduler.h"

#include <string>
#include <string_view>

namespace corvale {

// One notification as read from the notification server.
struct ObservedNotification {
    enum class Kind { single, stack, unknown };

    std::string uuid;
    std::string appName;
    // The Name of the desktop entry the notification names as its application, when it names
    // one: rules made for that name apply too. The alert keeps appName.
    std::string desktopEntryName;
    // The notification carried the "suppress-sound" hint: its app plays its own sound or none.
    bool suppressSound = false;
    // The "sound-file" and "sound-name" hints as sent, unchecked; empty when absent.
    std::string soundFile;
    std::string soundName;
    std::string title;
    std::string subtitle;
    std::string body;
    Kind kind = Kind::unknown;
    TimePoint timestamp;
};

std::string_view rawValue(ObservedNotification::Kind kind);

} // namespace corvale
