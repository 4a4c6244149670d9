#pragma once

#include "history/PingRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Unread alerts are those recorded strictly after the seen-through mark.
struct UnreadTally {
    static std::optional<TimePoint> newestTimestamp(const std::vector<PingRecord>& records);
    // With no mark every record is unread; a record exactly at the mark is read.
    static int count(const std::vector<PingRecord>& records, std::optional<TimePoint> seenThrough);
    // "" below 1, the number up to 9, "9+" beyond.
    static std::string badgeLabel(int count);
};

} // namespace corvale
