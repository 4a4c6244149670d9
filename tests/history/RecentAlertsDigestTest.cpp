#include "history/RecentAlertsDigest.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono;

TimePoint at(int hour, int minute) {
    return TimePoint(sys_days{2026y / March / 1} + hours{hour} + minutes{minute});
}

PingRecord ping(std::string app, TimePoint time) {
    return {std::move(app), time, std::nullopt};
}

TEST(RecentAlertsDigest, groupsByExactNameNewestFirst) {
    auto groups = RecentAlertsDigest::grouped({
        ping("A", at(10, 5)),
        ping("B", at(10, 3)),
        ping("A", at(10, 0)),
        ping("a", at(9, 0)),
    });
    EXPECT_EQ(groups, (std::vector<AppAlertGroup>{
                          {"A", at(10, 5), 2},
                          {"B", at(10, 3), 1},
                          {"a", at(9, 0), 1},
                      }))
        << "the newest need not be the last record; names differing in case stay apart";
}

TEST(RecentAlertsDigest, equalTimesAreOrderedByCodePointsWhateverTheInputOrder) {
    std::vector<PingRecord> records = {
        ping("zed", at(10, 0)),
        ping("Zed", at(10, 0)),
        ping("alpha", at(10, 0)),
        ping("\u00C9clair", at(10, 0)),
    };
    const std::vector<std::string> expected = {"Zed", "alpha", "zed", "\u00C9clair"};
    std::sort(records.begin(), records.end(),
              [](const PingRecord& a, const PingRecord& b) { return a.appName < b.appName; });
    do {
        std::vector<std::string> order;
        for (const auto& group : RecentAlertsDigest::grouped(records)) {
            order.push_back(group.appName);
        }
        ASSERT_EQ(order, expected);
    } while (std::next_permutation(
        records.begin(), records.end(),
        [](const PingRecord& a, const PingRecord& b) { return a.appName < b.appName; }));
}

} // namespace
} // namespace corvale
