#include "detect/Onboarding.h"

#include "support/AppRule.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using Names = std::vector<std::string>;

Rule ruleFor(const std::string& app, SoundRef sound = SoundRef::builtin("Glass")) {
    return test::appRule(app, std::nullopt, std::move(sound));
}

Rule conditional(const std::string& app, SoundRef sound = SoundRef::builtin("Glass")) {
    return test::appRule(app, Condition{Condition::Type::titleContains, "urgent"},
                         std::move(sound));
}

TEST(Onboarding, oneAppNeedsNativeMuteWhenAnEnabledRulePlaysASound) {
    EXPECT_FALSE(Onboarding::appNeedsNativeMute({}));

    auto mutedBase = ruleFor("Slack", SoundRef::silent());
    mutedBase.nativeSoundMuted = true;
    EXPECT_FALSE(Onboarding::appNeedsNativeMute({mutedBase, conditional("Slack")}))
        << "the user said the app's own sound is off";

    EXPECT_TRUE(Onboarding::appNeedsNativeMute({conditional("Slack")}))
        << "no base rule, one conditional rule with a sound";
    EXPECT_TRUE(Onboarding::appNeedsNativeMute(
        {ruleFor("Slack", SoundRef::silent()),
         conditional("Slack", SoundRef::file(FileUrl::fromPath("/tmp/a.m4a")))}));

    auto disabled = ruleFor("Slack");
    disabled.enabled = false;
    EXPECT_FALSE(Onboarding::appNeedsNativeMute({ruleFor("Slack", SoundRef::silent()), disabled}))
        << "only silent rules are enabled";

    auto mutedConditional = conditional("Slack");
    mutedConditional.nativeSoundMuted = true;
    EXPECT_TRUE(Onboarding::appNeedsNativeMute({mutedConditional}))
        << "only the base rule carries the app's declaration";
}

TEST(Onboarding, appsAreGroupedByNameKeyAndTheDefaultRuleIsNeverReported) {
    auto mutedZoom = ruleFor("zoom ");
    mutedZoom.nativeSoundMuted = true;
    std::vector<Rule> rules = {
        Rule::fallback(),
        ruleFor("slack"),
        ruleFor(" SLACK", SoundRef::silent()),
        ruleFor("Mail"),
        conditional("Zoom"),
        mutedZoom,
        ruleFor("Notes", SoundRef::silent()),
        ruleFor(" "),
    };
    EXPECT_EQ(Onboarding::appsNeedingNativeMute(rules), (Names{"Mail", "slack"}));
    EXPECT_EQ(Onboarding::appsNeedingNativeMute({Rule::fallback()}), Names{});
}

} // namespace
} // namespace corvale
