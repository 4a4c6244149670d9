#include "core/RuleEngine.h"

#include "support/AppRule.h"
#include "support/LogRecorder.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace corvale;
using corvale::test::appRule;
using corvale::test::LogRecorder;

namespace {

ObservedNotification note(const std::string& app, const std::string& title = "",
                          const std::string& body = "", const std::string& subtitle = "") {
    ObservedNotification n;
    n.appName = app;
    n.title = title;
    n.subtitle = subtitle;
    n.body = body;
    n.kind = ObservedNotification::Kind::single;
    return n;
}

struct Engine {
    Rule fallback = Rule::fallback();
    std::vector<Rule> rules;
    LogRecorder log;
    RuleEngine engine{[this]() -> const std::vector<Rule>& { return rules; }, log.fn()};

    std::optional<Uuid> resolve(const ObservedNotification& n) {
        auto rule = engine.resolve(n);
        return rule ? std::optional(rule->id) : std::nullopt;
    }
};

} // namespace

TEST(RuleEngine, contentRuleBeatsBaseRuleWhateverTheOrderAndTheEarliestWins) {
    Engine e;
    Rule base = appRule("Slack");
    Rule urgent = appRule("Slack", Condition{Condition::Type::titleContains, "urgent"});
    e.rules = {base, urgent, e.fallback};
    EXPECT_EQ(e.resolve(note("Slack", "URGENT: prod down")), urgent.id);
    EXPECT_EQ(e.resolve(note("Slack", "lunch?")), base.id);
    e.rules = {urgent, base, e.fallback};
    EXPECT_EQ(e.resolve(note("Slack", "urgent")), urgent.id);
    EXPECT_EQ(e.resolve(note("Mail", "urgent")), e.fallback.id);

    Rule first = appRule("Mail", Condition{Condition::Type::bodyContains, "invoice"});
    Rule second = appRule("Mail", Condition{Condition::Type::regex, "inv.ice"});
    e.rules = {appRule("Mail"), first, second};
    EXPECT_EQ(e.resolve(note("Mail", "", "your INVOICE")), first.id);
}

TEST(RuleEngine, appNamesMatchTrimmedAndWithoutRegardToCase) {
    Engine e;
    Rule slack = appRule("Slack");
    e.rules = {slack, e.fallback};
    EXPECT_EQ(e.resolve(note("  sLACK\n")), slack.id);

    Rule blankRule = appRule("  ");
    e.rules = {blankRule, e.fallback};
    EXPECT_EQ(e.resolve(note(" ")), e.fallback.id) << "blank names never match an app rule";
    EXPECT_EQ(e.resolve(note("")), e.fallback.id);
}

TEST(RuleEngine, theNamedDesktopEntrysNameMatchesTooButTheCarriedNameComesFirst) {
    Engine e;
    Rule esr = appRule("Firefox ESR");
    e.rules = {esr, e.fallback};
    auto firefox = note("Firefox", "download finished");
    firefox.desktopEntryName = "firefox esr ";
    EXPECT_EQ(e.resolve(firefox), esr.id);
    EXPECT_EQ(e.resolve(note("Firefox")), e.fallback.id) << "only an entry the notification names";

    Rule own = appRule("Firefox");
    Rule urgent = appRule("Firefox ESR", Condition{Condition::Type::titleContains, "download"});
    e.rules = {esr, own, e.fallback};
    EXPECT_EQ(e.resolve(firefox), own.id);
    e.rules = {esr, own, urgent, e.fallback};
    EXPECT_EQ(e.resolve(firefox), urgent.id) << "a content rule of either name beats base rules";

    auto blankEntry = note("Mail");
    blankEntry.desktopEntryName = " ";
    e.rules = {appRule(" "), e.fallback};
    EXPECT_EQ(e.resolve(blankEntry), e.fallback.id);
}

TEST(RuleEngine, disabledRulesFallThroughAndTheListIsReadOnEveryCall) {
    Engine e;
    Rule slack = appRule("Slack");
    slack.enabled = false;
    e.rules = {slack, e.fallback};
    EXPECT_EQ(e.resolve(note("Slack")), e.fallback.id);
    e.rules[0].enabled = true;
    EXPECT_EQ(e.resolve(note("Slack")), slack.id) << "no rule list is kept between calls";

    e.fallback.enabled = false;
    e.rules = {slack, e.fallback};
    EXPECT_FALSE(e.resolve(note("Slack")));
    e.rules = {};
    EXPECT_FALSE(e.resolve(note("Slack")));
}

TEST(RuleEngine, contentRuleWithoutBaseRuleFallsToDefaultWhenItFails) {
    Engine e;
    Rule content = appRule("Jira", Condition{Condition::Type::titleContains, "assigned"});
    e.rules = {content, e.fallback};
    EXPECT_EQ(e.resolve(note("Jira", "commented")), e.fallback.id);
    EXPECT_EQ(e.resolve(note("Jira", "Assigned to you")), content.id);
}

TEST(RuleEngine, conditionsSearchTheirOwnFields) {
    Engine e;
    auto passes = [&](Condition c, const ObservedNotification& n) {
        return e.engine.conditionPasses(c, n);
    };
    using T = Condition::Type;
    EXPECT_TRUE(passes({T::titleContains, ""}, note("A")));
    EXPECT_FALSE(passes({T::titleContains, "x"}, note("A", "", "x", "x"))) << "title only";
    EXPECT_FALSE(passes({T::bodyContains, "x"}, note("A", "x", "", "x"))) << "body only";
    EXPECT_TRUE(passes({T::regex, "deploy|release"}, note("A", "", "", "Release 4.2 is out")));
    EXPECT_TRUE(passes({T::regex, "^build\\nok$"}, note("A", "BUILD", "ok")))
        << "lines are joined by line feeds";
    EXPECT_TRUE(passes({T::regex, "title\\nbody"}, note("A", "title", "body")))
        << "empty parts are left out";
    EXPECT_FALSE(passes({T::regex, "("}, note("A", "(((")));
    EXPECT_TRUE(passes({T::regex, ""}, note("A", "x")));
    EXPECT_TRUE(e.engine.conditionPasses(std::nullopt, note("A")));
    EXPECT_TRUE(e.log.lines.empty()) << "a pattern that does not compile logs nothing";
}

TEST(RuleEngine, catastrophicPatternIsAbandonedAndLogged) {
    Engine e;
    Rule evil = appRule("Spam", Condition{Condition::Type::regex, "(a+)+$"});
    e.rules = {evil, e.fallback};
    auto hostile = note("Spam", std::string(40, 'a') + "!");
    EXPECT_EQ(e.resolve(hostile), e.fallback.id);
    EXPECT_EQ(e.log.count("[match] regex timed out app=\"Spam\" - condition not passed"), 1u);
}
