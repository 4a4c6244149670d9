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
    std::string title;
    std::string subtitle;
    std::string body;
    Kind kind = Kind::unknown;
    TimePoint timestamp;
};

std::string_view rawValue(ObservedNotification::Kind kind);

} // namespace corvale
