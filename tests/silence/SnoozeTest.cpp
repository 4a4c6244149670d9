#include "silence/Snooze.h"

#include <gtest/gtest.h>

#include <limits>

using namespace corvale;
using std::chrono::seconds;

namespace {
const TimePoint now = timePointFromSeconds(1'780'000'000.0);
}

TEST(Snooze, remainingMinutesRoundUpAndALapsedDeadlineIsNoSnooze) {
    struct Case {
        std::optional<TimePoint> deadline;
        int minutes;
        std::optional<std::string> label;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 0, std::nullopt},
        {now, 0, std::nullopt},
        {now - seconds(1), 0, std::nullopt},
        {now + std::chrono::milliseconds(1), 1, "Snoozed - 1 min left"},
        {now + seconds(59), 1, "Snoozed - 1 min left"},
        {now + seconds(60), 1, "Snoozed - 1 min left"},
        {now + seconds(61), 2, "Snoozed - 2 min left"},
        {now + seconds(20 * 60), 20, "Snoozed - 20 min left"},
        {now + seconds(1440 * 60), 1440, "Snoozed - 1440 min left"},
    };
    for (const auto& c : cases) {
        const double offset =
            c.deadline ? std::chrono::duration<double>(*c.deadline - now).count() : -1e9;
        EXPECT_EQ(Snooze::minutesRemaining(c.deadline, now), c.minutes) << "offset " << offset;
        EXPECT_EQ(Snooze::statusLabel(c.deadline, now), c.label) << "offset " << offset;
        EXPECT_EQ(Snooze::isActive(c.deadline, now), c.label.has_value()) << "offset " << offset;
    }
    // A deadline a century away (a hand-edited preference) still counts right.
    EXPECT_EQ(Snooze::minutesRemaining(now + std::chrono::hours(24 * 365 * 100), now),
              100 * 365 * 24 * 60);
}

TEST(Snooze, durationLabelsNameWholeHoursAsHours) {
    EXPECT_EQ(Snooze::durationLabel(15), "15 minutes");
    EXPECT_EQ(Snooze::durationLabel(30), "30 minutes");
    EXPECT_EQ(Snooze::durationLabel(60), "1 hour");
    EXPECT_EQ(Snooze::durationLabel(90), "90 minutes");
    EXPECT_EQ(Snooze::durationLabel(120), "2 hours");
    EXPECT_EQ(Snooze::durationLabel(1440), "24 hours");
}

TEST(Snooze, automationSpansAreHeldToOneMinuteToOneDay) {
    EXPECT_EQ(Snooze::clampMinutes(0), 1);
    EXPECT_EQ(Snooze::clampMinutes(-5), 1);
    EXPECT_EQ(Snooze::clampMinutes(std::numeric_limits<int64_t>::min()), 1);
    EXPECT_EQ(Snooze::clampMinutes(1), 1);
    EXPECT_EQ(Snooze::clampMinutes(45), 45);
    EXPECT_EQ(Snooze::clampMinutes(1440), 1440);
    EXPECT_EQ(Snooze::clampMinutes(5000), 1440);
    EXPECT_EQ(Snooze::clampMinutes(std::numeric_limits<int64_t>::max()), 1440);
}
