#include "history/UnreadTally.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono;

TimePoint at(int minute) {
    return TimePoint(sys_days{2026y / March / 1} + 10h + minutes{minute});
}

std::vector<PingRecord> pings(std::initializer_list<int> minutes) {
    std::vector<PingRecord> records;
    for (int m : minutes) {
        records.push_back({"App", at(m), std::nullopt});
    }
    return records;
}

TEST(UnreadTally, countsRecordsStrictlyAfterTheMark) {
    auto records = pings({0, 5, 3});
    EXPECT_EQ(UnreadTally::count(records, std::nullopt), 3) << "no mark: all unread";
    EXPECT_EQ(UnreadTally::count(records, at(3)), 1) << "a record exactly at the mark is read";
    EXPECT_EQ(UnreadTally::count(records, at(3) - 1ns), 2);
    EXPECT_EQ(UnreadTally::count(records, at(5)), 0);
    EXPECT_EQ(UnreadTally::count(records, at(-1)), 3);
    EXPECT_EQ(UnreadTally::count({}, std::nullopt), 0);

    // After the clock was set back, a new alert earlier than the mark is read at once.
    auto afterClockChange = pings({0, 5, 2});
    EXPECT_EQ(UnreadTally::count(afterClockChange, at(5)), 0);
}

TEST(UnreadTally, newestTimestampIsTheLatestAnywhere) {
    EXPECT_EQ(UnreadTally::newestTimestamp({}), std::nullopt);
    EXPECT_EQ(UnreadTally::newestTimestamp(pings({0, 7, 3})), at(7));
}

TEST(UnreadTally, badgeLabels) {
    EXPECT_EQ(UnreadTally::badgeLabel(-1), "");
    EXPECT_EQ(UnreadTally::badgeLabel(0), "");
    EXPECT_EQ(UnreadTally::badgeLabel(1), "1");
    EXPECT_EQ(UnreadTally::badgeLabel(9), "9");
    EXPECT_EQ(UnreadTally::badgeLabel(10), "9+");
    EXPECT_EQ(UnreadTally::badgeLabel(12), "9+");
}

} // namespace
} // namespace corvale
