#include "history/UnreadTally.h"

#include <algorithm>

namespace corvale {

std::optional<TimePoint> UnreadTally::newestTimestamp(const std::vector<PingRecord>& records) {
    if (records.empty()) {
        return std::nullopt;
    }
    return std::max_element(
               records.begin(), records.end(),
               [](const PingRecord& a, const PingRecord& b) { return a.timestamp < b.timestamp; })
        ->timestamp;
}

int UnreadTally::count(const std::vector<PingRecord>& records,
                       std::optional<TimePoint> seenThrough) {
    if (!seenThrough) {
        return static_cast<int>(records.size());
    }
    return static_cast<int>(std::count_if(records.begin(), records.end(), [&](const PingRecord& r) {
        return r.timestamp > *seenThrough;
    }));
}

std::string UnreadTally::badgeLabel(int count) {
    if (count < 1) {
        return "";
    }
    if (count > 9) {
        return "9+";
    }
    return std::to_string(count);
}

} // namespace corvale
