#include "ui/settings/SettingsPanes.h"

#include "support/AppRule.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

using Kind = PaneID::Kind;

using test::appRule;

std::vector<std::string> labels(const std::vector<SidebarEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) {
        out.push_back(e.group + "/" + e.label + "/" + e.symbol);
    }
    return out;
}

} // namespace

TEST(SettingsPanes, appRowsSitBetweenPopularAppsAndAddAppInMenuOrder) {
    // A configured app, a seen app and the configured one seen in other case: one row per name
    // key, spelt as the rule writes it, sorted for people.
    auto entries = SettingsPanes::entries({Rule::fallback(), appRule("Slack")}, {"mail", "SLACK"});
    EXPECT_EQ(labels(entries), (std::vector<std::string>{
                                   "General/General/gearshape",
                                   "General/Recent Alerts/clock.arrow.circlepath",
                                   "Apps/All other apps/square.grid.2x2",
                                   "Apps/Popular apps/sparkles",
                                   "Apps/mail/app",
                                   "Apps/Slack/app",
                                   "Apps/Add App\u2026/plus",
                                   "Sounds/My Sounds/waveform",
                                   "Setup/Fix Double-Sound/wrench.and.screwdriver",
                                   "Setup/App Detection/bell.badge",
                                   "Corvale/Help/questionmark.circle",
                                   "Corvale/About/info.circle",
                               }));
    EXPECT_EQ(entries[5].pane, PaneID::app("Slack"));
    EXPECT_FALSE(entries[6].isPane()) << "Add App is an action, not a pane";
    EXPECT_NE(entries[0].tint, entries[1].tint) << "each fixed entry has its own colour";

    auto firstRun = SettingsPanes::entries({}, {});
    EXPECT_EQ(firstRun.size(), 10u) << "no app rows without rules or seen apps";
}

TEST(SettingsPanes, selectionAfterRebuildPrefersRequestThenCurrentThenFirstPane) {
    const auto entries = SettingsPanes::entries({appRule("Slack")}, {});
    const auto general = PaneID::of(Kind::general);
    const auto help = PaneID::of(Kind::help);
    struct Case {
        const char* what;
        std::optional<PaneID> requested, current, expected;
    };
    const Case cases[] = {
        {"nothing asked, nothing shown: the first pane", {}, {}, general},
        {"nothing asked: the current pane stays", {}, help, help},
        {"a listed request wins over the current pane", PaneID::app("Slack"), help,
         PaneID::app("Slack")},
        {"an app is found by its name key, and selected as listed",
         PaneID::app("  slack "),
         {},
         PaneID::app("Slack")},
        {"a request for a removed app falls back to the current pane", PaneID::app("Zoom"), help,
         help},
        {"a current app that was removed falls back to the first pane",
         {},
         PaneID::app("Mail"),
         general},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingsPanes::selectionAfterRebuild(entries, c.requested, c.current), c.expected)
            << c.what;
    }

    // A sidebar of panes that are not built (only the action is left) selects nothing.
    std::vector<SidebarEntry> onlyAction;
    for (const auto& e : entries) {
        if (!e.isPane()) {
            onlyAction.push_back(e);
        }
    }
    EXPECT_EQ(SettingsPanes::selectionAfterRebuild(onlyAction, general, general), std::nullopt);
    // The first listed pane, whichever it is, when General is not there.
    std::vector<SidebarEntry> withoutGeneral(entries.begin() + 1, entries.end());
    EXPECT_EQ(SettingsPanes::selectionAfterRebuild(withoutGeneral, {}, general),
              PaneID::of(Kind::recentAlerts));
}
