#include "detect/NotificationHealth.h"

#include "support/AppRule.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using Names = std::vector<std::string>;

using test::appRule;

TEST(NotificationHealth, listsAppsWithAnObservableRuleThatWereNeverSeen) {
    auto disabled = appRule("Disabled");
    disabled.enabled = false;
    auto doesNothing = appRule("Quiet");
    doesNothing.sound = SoundRef::silent();
    auto blinksOnly = appRule("Blinker");
    blinksOnly.sound = SoundRef::silent();
    blinksOnly.flashMenuBar = true;
    auto flashesOnly = appRule("flasher");
    flashesOnly.sound = SoundRef::silent();
    flashesOnly.flashScreen = true;
    auto blankName = appRule("  ");
    auto padded = appRule("  Zoom ");
    auto zoomAgain = appRule("ZOOM");
    auto seen = appRule("Slack");

    std::vector<Rule> rules = {Rule::fallback(), disabled, doesNothing, blinksOnly, flashesOnly,
                               blankName,        padded,   zoomAgain,   seen};
    EXPECT_EQ(NotificationHealth::unconfirmedApps(rules, {" slack\n"}),
              (Names{"Blinker", "flasher", "Zoom"}))
        << "sorted without regard to case; one entry per app, as the first rule spells it";
    EXPECT_EQ(NotificationHealth::unconfirmedApps(rules, {"slack", "ZOOM", "Blinker", "FLASHER"}),
              Names{});
}

} // namespace
} // namespace corvale
