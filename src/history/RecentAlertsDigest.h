#pragma once

#include "history/PingRecord.h"

#include <string>
#include <vector>

namespace corvale {

// The alerts of one app in the digest.
struct AppAlertGroup {
    std::string appName;
    TimePoint newest;
    int count = 0;

    friend bool operator==(const AppAlertGroup&, const AppAlertGroup&) = default;
};

struct RecentAlertsDigest {
    // One group per exact app name, latest first; equal times by name in code-point order, so the
    // result does not depend on the order of the records.
    static std::vector<AppAlertGroup> grouped(const std::vector<PingRecord>& records);
};

} // namespace corvale
