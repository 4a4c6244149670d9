#include "ui/settings/RuleSheetModel.h"

#include "core/RuleEngine.h"
#include "support/AppRule.h"
#include "ui/settings/AppEditorTexts.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::RuleSheetModel;

namespace {

Rule appRule(const std::string& app, SoundRef sound, double volume,
             std::optional<Condition> condition = std::nullopt) {
    Rule rule = test::appRule(app, std::move(condition), std::move(sound));
    rule.volume = volume;
    return rule;
}

TEST(RuleSheetModel, newRuleStartsFromTheBaseRuleThenTheDefaultRule) {
    Rule fallback = Rule::fallback();
    fallback.sound = SoundRef::builtin("Glass");
    fallback.volume = 0.5;
    const std::vector<Rule> rules{appRule("Mail", SoundRef::builtin("Ping"), 1.5,
                                          Condition{Condition::Type::bodyContains, "x"}),
                                  appRule("Mail", SoundRef::silent(), 1.25), fallback};
    struct Case {
        std::string app;
        std::vector<Rule> rules;
        SoundRef sound;
        double volume;
    } cases[] = {
        {" mail ", rules, SoundRef::silent(), 1.25}, // the base rule, not the content rule
        {"Slack", rules, SoundRef::builtin("Glass"), 0.5},
        {"Slack", {}, SoundRef::builtin("Submarine"), 1.0},
    };
    for (const auto& c : cases) {
        auto values = initialValues(std::nullopt, c.app, c.rules);
        EXPECT_EQ(values.kind, ConditionKind::titleContains) << c.app;
        EXPECT_EQ(values.operand, "") << c.app;
        EXPECT_EQ(values.sound, c.sound) << c.app;
        EXPECT_EQ(values.volume, c.volume) << c.app;
    }

    auto edited = appRule("Mail", SoundRef::builtin("Ping"), 1.5,
                          Condition{Condition::Type::regex, "deploy|release"});
    auto values = initialValues(edited, "Mail", rules);
    EXPECT_EQ(values.kind, ConditionKind::regex);
    EXPECT_EQ(values.operand, "deploy|release");
    EXPECT_EQ(values.sound, SoundRef::builtin("Ping"));
    EXPECT_EQ(values.volume, 1.5);
    EXPECT_EQ(kindChoices()[kindIndex(values.kind)].title, "Matches regex");
}

TEST(RuleSheetModel, saveTrimsTheKeywordAndRefusesBlanks) {
    struct Case {
        ConditionKind kind;
        std::string typed;
        std::optional<Condition> stored;
    } cases[] = {
        {ConditionKind::titleContains, "  invoice \n",
         Condition{Condition::Type::titleContains, "invoice"}},
        {ConditionKind::bodyContains, "urgent", Condition{Condition::Type::bodyContains, "urgent"}},
        {ConditionKind::regex, " ^build (ok|failed)$ ",
         Condition{Condition::Type::regex, "^build (ok|failed)$"}},
        {ConditionKind::titleContains, "   ", std::nullopt},
        {ConditionKind::regex, "\t\n", std::nullopt},
        {ConditionKind::any, "invoice", std::nullopt},
        // A pattern that does not compile, as a keyword, is only a keyword.
        {ConditionKind::titleContains, "(deploy|release",
         Condition{Condition::Type::titleContains, "(deploy|release"}},
    };
    for (const auto& c : cases) {
        auto verdict = check(c.kind, c.typed);
        EXPECT_EQ(verdict.condition, c.stored) << c.typed;
        EXPECT_EQ(verdict.beep, !c.stored) << c.typed;
        EXPECT_EQ(verdict.error, "") << c.typed;
    }
}

TEST(RuleSheetModel, aPatternThatDoesNotCompileIsRefusedInWordsWithItsPosition) {
    auto verdict = check(ConditionKind::regex, "(deploy|release");
    EXPECT_FALSE(verdict.condition);
    EXPECT_FALSE(verdict.beep);
    // Where the pattern went wrong: after its last character, where ")" was due.
    EXPECT_EQ(verdict.error, "This pattern can\u2019t be used: a \u201c(\u201d or \u201c)\u201d "
                             "without its partner at position 15");
    EXPECT_EQ(check(ConditionKind::regex, "[a").error,
              "This pattern can\u2019t be used: missing \u201c]\u201d at position 2");
    // A reason without words of its own still says where.
    EXPECT_EQ(AppEditorTexts::regexRefusal("U_REGEX_NEW_IN_A_LATER_ICU", 4),
              "This pattern can\u2019t be used: not a valid pattern at position 4");
    for (const char* pattern : {"(", "[a-", "a{2,1}", "*a", "(?<=a+)b", "\\", "x\\p{Foo}"}) {
        EXPECT_EQ(check(ConditionKind::regex, pattern).error.find("U_"), std::string::npos)
            << pattern;
    }

    // The same text as a keyword is only a keyword.
    EXPECT_TRUE(check(ConditionKind::titleContains, "(deploy|release").condition);
}

// The sheet refuses exactly the patterns that matching could never pass.
TEST(RuleSheetModel, refusedPatternsAreThoseTheEngineCannotCompile) {
    const std::vector<Rule> none;
    RuleEngine engine([&]() -> const std::vector<Rule>& { return none; }, nullptr);
    ObservedNotification n;
    n.appName = "A";
    n.title = "anything at all (a) [b] \\ x{2}";
    const std::vector<std::pair<std::string, bool>> patterns{
        {"(", false},        {"[a-", false}, {"a{2,1}", false},  {"*a", false},
        {"(?<=a+)b", false}, {"\\", false},  {".*", true},       {"(?i)ANY", true},
        {"\\p{L}+", true},   {"a|", true},   {"\\bat\\b", true},
    };
    for (const auto& [pattern, compiles] : patterns) {
        auto problem = RuleEngine::regexProblem(pattern);
        EXPECT_EQ(!problem, compiles) << pattern;
        if (problem) {
            EXPECT_EQ(problem->errorName.rfind("U_", 0), 0u) << pattern;
            EXPECT_FALSE(engine.conditionPasses(Condition{Condition::Type::regex, pattern}, n))
                << pattern;
        } else {
            EXPECT_TRUE(engine.conditionPasses(Condition{Condition::Type::regex, pattern}, n))
                << pattern;
        }
    }
}

} // namespace
