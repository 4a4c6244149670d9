#pragma once

#include "core/Scheduler.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// Internet date-times as the ping log stores them: "2026-03-01T09:05:00Z", UTC, whole seconds.
struct Iso8601 {
    // Sub-second parts are dropped (floored), so a time reads back as the second it fell in.
    static std::string format(TimePoint time);
    // Accepts "YYYY-MM-DDTHH:MM:SS" followed by "Z" or a numeric offset "+hh:mm" / "-hh:mm";
    // none for any other form or an impossible date or time.
    static std::optional<TimePoint> parse(std::string_view text);
};

} // namespace corvale
