#include "core/PaneKey.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using Kind = PaneID::Kind;

TEST(PaneKey, everyPaneRoundTripsThroughItsKey) {
    const std::vector<std::pair<PaneID, std::string>> cases = {
        {PaneID::of(Kind::general), "general"},
        {PaneID::of(Kind::recentAlerts), "recentAlerts"},
        {PaneID::of(Kind::allOtherApps), "allOtherApps"},
        {PaneID::of(Kind::starterPresets), "starterPresets"},
        {PaneID::of(Kind::soundLibrary), "soundLibrary"},
        {PaneID::of(Kind::setup), "setup"},
        {PaneID::of(Kind::detection), "detection"},
        {PaneID::of(Kind::help), "help"},
        {PaneID::of(Kind::about), "about"},
        {PaneID::app("Slack"), "app:Slack"},
        // Everything after the prefix is the name, colons and spaces included.
        {PaneID::app("Mail: Work "), "app:Mail: Work "},
        {PaneID::app("app:general"), "app:app:general"},
        {PaneID::app("Télégramme ✉"), "app:Télégramme ✉"},
    };
    for (const auto& [pane, key] : cases) {
        EXPECT_EQ(paneKey(pane), key);
        EXPECT_EQ(paneFromKey(key), std::optional<PaneID>(pane)) << key;
    }
}

TEST(PaneKey, typedKeysIgnoreTheCaseOfTheKindButNotOfTheName) {
    EXPECT_EQ(paneFromKey("RecentAlerts"), PaneID::of(Kind::recentAlerts));
    EXPECT_EQ(paneFromKey("GENERAL"), PaneID::of(Kind::general));
    EXPECT_EQ(paneFromKey("App:Slack"), PaneID::app("Slack"));
    EXPECT_EQ(paneFromKey("app:sLACK"), PaneID::app("sLACK"));
}

TEST(PaneKey, textThatNamesNoPaneIsRefused) {
    for (const std::string& key :
         std::vector<std::string>{"", " ", "general ", " general", "generals", "gen", "app",
                                  "app:", "app: \t\n", "recent-alerts", "recent alerts", "sounds",
                                  "app:Bad\xff name", std::string("gen\0eral", 8)}) {
        EXPECT_EQ(paneFromKey(key), std::nullopt) << testing::PrintToString(key);
    }
}

} // namespace
} // namespace corvale
