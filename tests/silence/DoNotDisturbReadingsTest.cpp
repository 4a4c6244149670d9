#include "silence/DoNotDisturbReadings.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

DoNotDisturbReading says(bool value) {
    return {value, true};
}

const DoNotDisturbReading absent{std::nullopt, true};

DoNotDisturbReadings allOff() {
    return {says(false), says(false), says(false), says(true)};
}

} // namespace

TEST(DoNotDisturbReadings, anySourceOnIsOnAndGnomeCountsWhenBannersAreHidden) {
    EXPECT_EQ(allOff().state(), std::optional<bool>(false));
    auto readings = allOff();
    readings.serverInhibited = says(true);
    EXPECT_EQ(readings.state(), std::optional<bool>(true)) << "server's Inhibited";
    readings = allOff();
    readings.dunstPaused = says(true);
    EXPECT_EQ(readings.state(), std::optional<bool>(true)) << "dunst's paused";
    readings = allOff();
    readings.xfceDoNotDisturb = says(true);
    EXPECT_EQ(readings.state(), std::optional<bool>(true)) << "xfce4-notifyd's setting";
    readings = allOff();
    readings.gnomeShowBanners = says(false);
    EXPECT_EQ(readings.state(), std::optional<bool>(true)) << "GNOME hiding banners";
}

TEST(DoNotDisturbReadings, absentSourcesCountAsOffAndNoneAtAllIsUnknown) {
    const DoNotDisturbReadings none{absent, absent, absent, absent};
    EXPECT_EQ(none.state(), std::nullopt);
    EXPECT_EQ(DoNotDisturbReadings{}.state(), std::nullopt) << "nothing answered yet";
    EXPECT_EQ((DoNotDisturbReadings{absent, absent, absent, says(true)}.state()),
              std::optional<bool>(false))
        << "GNOME showing banners alone is a known off";
    EXPECT_EQ((DoNotDisturbReadings{absent, says(true), absent, absent}.state()),
              std::optional<bool>(true));
    const auto first = none.nextReport(true, std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->on);
}

TEST(DoNotDisturbReadings, theFirstReportWaitsForEverySourceOrTheEndOfTheWaitThenOnlyChanges) {
    auto readings = allOff();
    readings.xfceDoNotDisturb = {true, true};
    readings.gnomeShowBanners = {};
    EXPECT_FALSE(readings.allSettled());
    EXPECT_FALSE(readings.nextReport(true, std::nullopt)) << "GNOME has not answered";

    auto report = readings.nextReport(false, std::nullopt);
    ASSERT_TRUE(report) << "the wait ran out";
    EXPECT_TRUE(report->on);
    EXPECT_TRUE(report->initial);

    readings.gnomeShowBanners = says(true);
    report = readings.nextReport(true, std::nullopt);
    ASSERT_TRUE(report) << "every source settled before the wait ended";
    EXPECT_TRUE(report->initial);

    EXPECT_FALSE(readings.nextReport(false, true)) << "no change, nothing to tell";
    readings.xfceDoNotDisturb = says(false);
    report = readings.nextReport(false, true);
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->on);
    EXPECT_FALSE(report->initial);
    readings.serverInhibited = {};
    EXPECT_FALSE(readings.nextReport(true, false)) << "after the first, settling is no news";
}
