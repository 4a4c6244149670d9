#include "history/RecentAlertsDigest.h"

#include <algorithm>
#include <map>

namespace corvale {

std::vector<AppAlertGroup> RecentAlertsDigest::grouped(const std::vector<PingRecord>& records) {
    std::map<std::string, AppAlertGroup> byName;
    for (const auto& record : records) {
        auto [it, inserted] =
            byName.try_emplace(record.appName, AppAlertGroup{record.appName, record.timestamp, 0});
        auto& group = it->second;
        group.newest = std::max(group.newest, record.timestamp);
        ++group.count;
    }
    std::vector<AppAlertGroup> groups;
    groups.reserve(byName.size());
    for (auto& entry : byName) {
        groups.push_back(std::move(entry.second));
    }
    // UTF-8 byte order is code-point order.
    std::sort(groups.begin(), groups.end(), [](const AppAlertGroup& a, const AppAlertGroup& b) {
        if (a.newest != b.newest) {
            return a.newest > b.newest;
        }
        return a.appName < b.appName;
    });
    return groups;
}

} // namespace corvale
