#include "history/Iso8601.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono;

TimePoint utc(sys_days day, hours h, minutes m, seconds s) {
    return TimePoint(day + h + m + s);
}

TEST(Iso8601, writesWholeUtcSecondsFlooredAndReadsThemBack) {
    auto time = utc(sys_days{2026y / March / 1}, 9h, 5min, 0s) + 750ms;
    EXPECT_EQ(Iso8601::format(time), "2026-03-01T09:05:00Z");
    EXPECT_EQ(Iso8601::parse("2026-03-01T09:05:00Z"), floor<seconds>(time));

    // Before 1970 the clock counts negative; flooring must still go back in time, not towards zero.
    auto beforeEpoch = utc(sys_days{1969y / December / 31}, 23h, 59min, 59s) + 400ms;
    EXPECT_EQ(Iso8601::format(beforeEpoch), "1969-12-31T23:59:59Z");

    auto leapDay = utc(sys_days{2024y / February / 29}, 23h, 0min, 1s);
    EXPECT_EQ(Iso8601::parse(Iso8601::format(leapDay)), leapDay);
}

TEST(Iso8601, numericOffsetsAreConvertedToUtc) {
    auto expected = utc(sys_days{2026y / March / 1}, 9h, 5min, 0s);
    EXPECT_EQ(Iso8601::parse("2026-03-01T10:05:00+01:00"), expected);
    EXPECT_EQ(Iso8601::parse("2026-03-01T03:35:00-05:30"), expected);
    EXPECT_EQ(Iso8601::parse("2026-03-02T00:05:00+15:00"), expected) << "offset crossing a day";
}

TEST(Iso8601, rejectsEveryOtherForm) {
    for (const char* text : {
             "",
             "2026-03-01T09:05:00",       // no zone
             "2026-03-01T09:05:00.000Z",  // fractional seconds
             "2026-03-01 09:05:00Z",      // space instead of T
             "2026-03-01t09:05:00z",      // lower case
             "2026-03-01T09:05Z",         // no seconds
             "2026-3-01T09:05:00Z",       // short month
             "20260301T090500Z",          // basic format
             "2026-03-01T09:05:00+0100",  // offset without colon
             "2026-03-01T09:05:00+01",    // offset without minutes
             "2026-03-01T09:05:00+24:00", // offset hour out of range
             "2026-03-01T09:05:00 +01:00",
             "2026-13-01T09:05:00Z",
             "2026-00-10T09:05:00Z",
             "2023-02-29T09:05:00Z", // not a leap year
             "2026-04-31T09:05:00Z",
             "2026-03-01T24:00:00Z",
             "2026-03-01T09:60:00Z",
             "2026-03-01T09:05:60Z",
             "9999-12-31T23:59:59Z", // beyond what the clock can hold
             "0001-01-01T00:00:00Z",
             "2026-03-01T09:05:00Z\n",
             "２026-03-01T09:05:00Z",
         }) {
        EXPECT_FALSE(Iso8601::parse(text).has_value()) << "accepted \"" << text << "\"";
    }
}

} // namespace
} // namespace corvale
