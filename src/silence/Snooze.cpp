#include "silence/Snooze.h"

#include <algorithm>
#include <cmath>

namespace corvale {

int Snooze::clampMinutes(std::int64_t minutes) {
    return static_cast<int>(std::clamp<std::int64_t>(minutes, minMinutes, maxMinutes));
}

bool Snooze::isActive(std::optional<TimePoint> deadline, TimePoint now) {
    return deadline && *deadline > now;
}

int Snooze::minutesRemaining(std::optional<TimePoint> deadline, TimePoint now) {
    if (!isActive(deadline, now)) {
        return 0;
    }
    const double seconds = std::chrono::duration<double>(*deadline - now).count();
    // A deadline years away (a hand-edited preference) must not overflow the count.
    return static_cast<int>(std::min(std::ceil(seconds / 60.0), 1e9));
}

std::optional<std::string> Snooze::statusLabel(std::optional<TimePoint> deadline, TimePoint now) {
    if (!isActive(deadline, now)) {
        return std::nullopt;
    }
    const int minutes = minutesRemaining(deadline, now);
    if (minutes < 2) {
        return "Snoozed - 1 min left";
    }
    return "Snoozed - " + std::to_string(minutes) + " min left";
}

std::string Snooze::durationLabel(int minutes) {
    if (minutes % 60 == 0) {
        const int hours = minutes / 60;
        return hours == 1 ? "1 hour" : std::to_string(hours) + " hours";
    }
    return std::to_string(minutes) + " minutes";
}

} // namespace corvale
