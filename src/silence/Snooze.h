#pragma once

#include "core/Scheduler.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvale {

// The snooze span and the texts that show it.
struct Snooze {
    // What automation may ask for: one minute to one day.
    static constexpr int minMinutes = 1;
    static constexpr int maxMinutes = 1440;
    static int clampMinutes(std::int64_t minutes);

    // A deadline that is not after now silences nothing, whether or not its timer has run yet.
    static bool isActive(std::optional<TimePoint> deadline, TimePoint now);

    // Whole minutes left, rounded up; 0 without an active snooze.
    static int minutesRemaining(std::optional<TimePoint> deadline, TimePoint now);
    // "Snoozed - N min left", or none without an active snooze.
    static std::optional<std::string> statusLabel(std::optional<TimePoint> deadline, TimePoint now);
    // "15 minutes", "1 hour", "2 hours".
    static std::string durationLabel(int minutes);
};

} // namespace corvale
