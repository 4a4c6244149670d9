#include "detect/NotificationHealth.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using Names = std::vector<std::string>;

Rule ruleFor(const std::string& app) {
    Rule rule;
    rule.id = Uuid::random();
    rule.appBundleId = app;
    rule.appDisplayName = app;
    return rule;
}

TEST(NotificationHealth, listsAppsWithAnObservableRuleThatWereNeverSeen) {
    auto disabled = ruleFor("Disabled");
    disabled.enabled = false;
    auto doesNothing = ruleFor("Quiet");
    doesNothing.sound = SoundRef::silent();
    auto blinksOnly = ruleFor("Blinker");
    blinksOnly.sound = SoundRef::silent();
    blinksOnly.flashMenuBar = true;
    auto flashesOnly = ruleFor("flasher");
    flashesOnly.sound = SoundRef::silent();
    flashesOnly.flashScreen = true;
    auto blankName = ruleFor("  ");
    auto padded = ruleFor("  Zoom ");
    auto zoomAgain = ruleFor("ZOOM");
    auto seen = ruleFor("Slack");

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
