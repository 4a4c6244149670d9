#include "app/RulesCommand.h"
#include "app/RuleEdits.h"
#include "signals/FlashPalette.h"
#include "support/AppRule.h"
#include "support/ModelStores.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

std::string parseError(const std::vector<std::string>& words, int status) {
    auto parsed = RulesCommand::parse(words);
    EXPECT_FALSE(parsed.request) << words[0];
    EXPECT_EQ(parsed.exitCode, status) << parsed.error;
    return parsed.error;
}

} // namespace

TEST(RulesCommand, readsTheWordsAndRefusesValuesTheEditorDoesNotOffer) {
    auto add = RulesCommand::parse({"add", "Slack", "--volume", "150%", "--sound", "Ping"});
    ASSERT_TRUE(add.request) << add.error;
    EXPECT_EQ(add.request->app, "Slack");
    EXPECT_EQ(add.request->sound, "Ping");
    EXPECT_EQ(add.request->volume, "150%");
    auto show = RulesCommand::parse({"show", "--json", "All other apps"});
    ASSERT_TRUE(show.request);
    EXPECT_TRUE(show.request->json);
    EXPECT_EQ(show.request->app, "All other apps");
    EXPECT_EQ(RulesCommand::parse({"export"}).request->file, "");

    EXPECT_NE(parseError({"set", "Slack", "volume", "201"}, 1).find("25 to 200"),
              std::string::npos);
    parseError({"set", "Slack", "volume", "24"}, 1);
    parseError({"add", "Slack", "--volume", "2e2"}, 1);
    EXPECT_NE(parseError({"set", "Slack", "focus", "on"}, 1).find("no key"), std::string::npos);
    parseError({"set", "Slack", "flash", "maybe"}, 1);
    parseError({"set", "Slack", "flashColor", "#12345"}, 1);
    parseError({"set", "Slack", "flashStyle", "Full screen"}, 1);
    parseError({"set", "Slack", "flashRepeat", "4"}, 1);
    parseError({"set", "Slack", "volume"}, 2);
    parseError({"list", "--sound", "Ping"}, 2);
    parseError({"show", "  "}, 2);
    parseError({"rename", "Slack"}, 2);
    parseError({"add", "Slack", "--sound"}, 2);

    auto color = std::get<RuleSetting>(RulesCommand::setting("flashColor", "indigo"));
    EXPECT_EQ(color.color, FlashPalette::colors()[8]);
    EXPECT_FALSE(std::get<RuleSetting>(RulesCommand::setting("flashColor", "Automatic")).color);
    EXPECT_FALSE(
        std::get<RuleSetting>(RulesCommand::setting("flashIntensity", "default")).intensity);
    EXPECT_EQ(std::get<RuleSetting>(RulesCommand::setting("flashDuration", "long")).duration,
              FlashDuration::long_);
}

TEST(RulesCommand, decodesAWholeFileOrNothingAndSaysWhere) {
    const std::string good = RulesCommand::encode({test::appRule("Slack")});
    EXPECT_EQ(RulesCommand::decode(good).rules.size(), 1u);

    auto broken = RulesCommand::decode("{\n  \"rules\": [\n    {,\n");
    EXPECT_TRUE(broken.rules.empty());
    EXPECT_NE(broken.error.find("line 3, column 6"), std::string::npos) << broken.error;
    EXPECT_EQ(broken.error.find("[json.exception"), std::string::npos) << broken.error;

    auto regex = test::appRule("Mail", Condition{Condition::Type::regex, "(invoice"});
    auto refused = RulesCommand::decode(RulesCommand::encode({test::appRule("Slack"), regex}));
    EXPECT_TRUE(refused.rules.empty()) << "one bad rule refuses the whole file";
    EXPECT_NE(refused.error.find("rule 2 (Mail)"), std::string::npos) << refused.error;
    EXPECT_NE(refused.error.find("U_REGEX_MISMATCHED_PAREN"), std::string::npos) << refused.error;

    EXPECT_NE(RulesCommand::decode(R"({"rules": [{"appBundleId": "x"}], "version": 1})")
                  .error.find("rule 1: "),
              std::string::npos);
    EXPECT_FALSE(RulesCommand::decode(R"({"rules": {}, "version": 1})").error.empty());

    // A name from a notification or a hand edit never reaches the terminal as a control.
    const auto hostile = std::vector<Rule>{test::appRule("Zed\x1b[31m\x07")};
    for (const auto& text :
         {RulesCommand::table(hostile), RulesCommand::details("Zed\x1b[31m", hostile)}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
        EXPECT_NE(text.find("Zed\\x1B[31m"), std::string::npos) << text;
    }
}

TEST(RuleEdits, changeTheModelAndTheFileAsTheEditorDoes) {
    test::ModelStores stores({}, {"Submarine", "Ping"});
    ConfigModel& model = *stores.model;
    int changes = 0;
    auto observing = model.observe([&] { ++changes; });

    EXPECT_EQ(RuleEdits::add(model, "Slack", "ping", "150"), "");
    auto slack = MenuModel::baseRule("Slack", model.rules());
    ASSERT_TRUE(slack);
    EXPECT_EQ(slack->sound, SoundRef::builtin("Ping")) << "the library's spelling is stored";
    EXPECT_DOUBLE_EQ(slack->volume, 1.5);
    EXPECT_GT(changes, 0);
    EXPECT_TRUE(stores.log.contains("[rule] Slack \u2192 volume 150%"));

    EXPECT_EQ(RuleEdits::set(model, " slack ", "flashColor", "Red"), "");
    EXPECT_EQ(RuleEdits::set(model, "All other apps", "volume", "50"), "");
    RuleStore onDisk(stores.rules.fileURL(), {});
    onDisk.load();
    EXPECT_EQ(MenuModel::baseRule("Slack", onDisk.rules())->flashColor, FlashPalette::colors()[1]);
    EXPECT_DOUBLE_EQ(MenuModel::defaultRule(onDisk.rules())->volume, 0.5);

    EXPECT_NE(RuleEdits::set(model, "Slack", "sound", "Glass").find("no sound 'Glass'"),
              std::string::npos);
    EXPECT_NE(RuleEdits::set(model, "Teams", "volume", "100").find("no app 'Teams'"),
              std::string::npos);
    EXPECT_NE(RuleEdits::add(model, "*", "", ""), "");
    EXPECT_NE(RuleEdits::remove(model, "All other apps"), "");

    model.addRule("Slack", {Condition::Type::titleContains, "deploy"}, SoundRef::silent(), 1.0);
    EXPECT_EQ(RuleEdits::remove(model, "SLACK"), "");
    EXPECT_TRUE(MenuModel::rulesForApp("Slack", model.rules()).empty())
        << "the content rule goes with the base rule";
}
