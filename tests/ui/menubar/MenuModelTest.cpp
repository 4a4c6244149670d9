#include "ui/menubar/MenuModel.h"
#include "ui/menubar/PanelCorner.h"

#include "support/AppRule.h"
#include "ui/menubar/MenuTexts.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace corvale;
namespace mm = corvale::MenuModel;

namespace {

using test::appRule;

Condition titleHas(const std::string& word) {
    return {Condition::Type::titleContains, word};
}

Rule defaultRule() {
    return Rule::fallback();
}

} // namespace

TEST(MenuModel, appRulesAreFoundByTrimmedNameWithoutRegardToCase) {
    Rule upper = appRule("Slack");
    Rule lower = appRule("slack", titleHas("urgent"));
    Rule other = appRule("Mail");
    std::vector<Rule> rules{defaultRule(), other, lower, upper};

    auto found = mm::rulesForApp("  SLACK \n", rules);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].id, lower.id) << "rule order is kept";
    EXPECT_EQ(found[1].id, upper.id);
    EXPECT_EQ(mm::rule("SLACK", rules)->id, lower.id) << "the first rule, conditional or not";
    EXPECT_EQ(mm::baseRule("SLACK", rules)->id, upper.id) << "the first rule without a condition";
    EXPECT_EQ(mm::conditionalRules("slack", rules).size(), 1u);

    EXPECT_FALSE(mm::rule(" \t\n", rules)) << "a blank name finds nothing";
    EXPECT_TRUE(mm::rulesForApp("", rules).empty());

    Rule renamedDefault = defaultRule();
    renamedDefault.appDisplayName = "Teams";
    EXPECT_FALSE(mm::rule("Teams", {renamedDefault})) << "the default rule never belongs to an app";
}

TEST(MenuModel, editingAFieldKeepsTheBaseRuleAndCreatesOneOnlyWhenMissing) {
    Rule base = appRule("Slack");
    base.sound = SoundRef::builtin("Ping");
    base.flashRepeat = 2;
    Rule conditional = appRule("Slack", titleHas("urgent"));
    std::vector<Rule> rules{defaultRule(), conditional, base};

    Rule edited = mm::ruleAfterSettingFlashScreen(true, "slack", rules);
    EXPECT_EQ(edited.id, base.id);
    EXPECT_TRUE(edited.flashScreen);
    EXPECT_EQ(edited.sound, SoundRef::builtin("Ping")) << "other fields are kept";
    EXPECT_EQ(edited.flashRepeat, 2);

    // Only a conditional rule: a new base rule from the template, the condition untouched.
    std::vector<Rule> onlyConditional{defaultRule(), conditional};
    Rule created = mm::ruleAfterSettingFlashMenuBar(true, "Slack", onlyConditional);
    EXPECT_NE(created.id, conditional.id);
    EXPECT_FALSE(created.condition);
    EXPECT_TRUE(created.flashMenuBar);
    EXPECT_EQ(created.appBundleId, "Slack");
    EXPECT_EQ(created.flashColor, mm::paletteColor("Slack"));

    Rule sounded = mm::ruleAfterSettingSound(SoundRef::silent(), "  Zoom ", rules);
    EXPECT_EQ(sounded.appDisplayName, "Zoom") << "new rules take the trimmed name";
    EXPECT_EQ(sounded.sound, SoundRef::silent()) << "the template carries the chosen sound";
}

TEST(MenuModel, theDefaultRowEditsTheStarRuleOrTheBuiltInDefault) {
    Rule star = defaultRule();
    star.volume = 0.5;
    Rule edited =
        mm::ruleAfterSettingFlashStyle(FlashStyle::edgeTop, std::nullopt, {appRule("Slack"), star});
    EXPECT_EQ(edited.id, star.id);
    EXPECT_EQ(edited.flashStyle, FlashStyle::edgeTop);
    EXPECT_EQ(edited.volume, 0.5);

    Rule fresh = mm::ruleAfterSettingFlashColor(FlashColor::fromHex("#FF0000"), std::nullopt, {});
    EXPECT_TRUE(fresh.isDefault());
    EXPECT_EQ(fresh.appDisplayName, "All other apps");
    EXPECT_EQ(fresh.flashColor, FlashColor::fromHex("#FF0000"));
}

TEST(MenuModel, valuesAreBroughtIntoTheRangeTheRulesFileKeeps) {
    std::vector<Rule> rules{appRule("Slack")};
    EXPECT_EQ(mm::ruleAfterSettingVolume(2.5, "Slack", rules).volume, 2.0);
    EXPECT_EQ(mm::ruleAfterSettingVolume(-0.2, "Slack", rules).volume, 0.0);
    EXPECT_EQ(mm::ruleAfterSettingVolume(std::nan(""), "Slack", rules).volume, 1.0)
        << "a NaN would be written as null and lose the rule's volume";
    EXPECT_EQ(mm::ruleAfterSettingVolume(2.5, "New", rules).volume, 2.0) << "on a new rule too";

    EXPECT_EQ(mm::ruleAfterSettingFlashRepeat(3, "Slack", rules).flashRepeat, 3);
    EXPECT_EQ(mm::ruleAfterSettingFlashRepeat(5, "Slack", rules).flashRepeat, std::nullopt);
    EXPECT_EQ(mm::ruleAfterSettingFlashRepeat(0, "Slack", rules).flashRepeat, std::nullopt);
}

TEST(MenuModel, addingAnAppKeepsItsRuleOrStartsFromTheDefaultSound) {
    Rule existing = appRule("Slack");
    existing.enabled = false;
    Rule star = defaultRule();
    star.sound = SoundRef::builtin("Glass");
    star.volume = 1.7;

    EXPECT_EQ(mm::ruleForAddedApp("SLACK", {star, existing}), existing);

    Rule added = mm::ruleForAddedApp(" Zoom ", {star, existing});
    EXPECT_EQ(added.appBundleId, "Zoom");
    EXPECT_EQ(added.sound, SoundRef::builtin("Glass"));
    EXPECT_EQ(added.volume, 1.7);
    EXPECT_TRUE(added.enabled);
    EXPECT_FALSE(added.flashMenuBar || added.flashScreen);
    EXPECT_TRUE(added.respectFocus);

    Rule withoutDefault = mm::ruleForAddedApp("Zoom", {});
    EXPECT_EQ(withoutDefault.sound, SoundRef::builtin("Submarine"));
    EXPECT_EQ(withoutDefault.volume, 1.0);
}

TEST(MenuModel, aContentRuleInheritsTheFlashOfItsBaseButOnlyAValidRepeat) {
    Rule base = appRule("Slack");
    base.flashScreen = true;
    base.flashColor = std::nullopt;
    base.flashStyle = FlashStyle::edgeLeft;
    base.flashIntensity = FlashIntensity::strong;
    base.flashDuration = FlashDuration::long_;
    base.flashRepeat = 5;
    base.respectFocus = false;
    base.nativeSoundMuted = true;

    Rule rule =
        mm::newConditionalRule(" Slack ", titleHas("urgent"), SoundRef::builtin("Hero"), 3.0, base);
    EXPECT_NE(rule.id, base.id);
    EXPECT_EQ(rule.appDisplayName, "Slack");
    EXPECT_EQ(rule.condition, titleHas("urgent"));
    EXPECT_EQ(rule.volume, 2.0);
    EXPECT_TRUE(rule.flashScreen);
    EXPECT_EQ(rule.flashColor, std::nullopt) << "an unset colour is copied as unset";
    EXPECT_EQ(rule.flashStyle, FlashStyle::edgeLeft);
    EXPECT_EQ(rule.flashIntensity, FlashIntensity::strong);
    EXPECT_EQ(rule.flashDuration, FlashDuration::long_);
    EXPECT_EQ(rule.flashRepeat, std::nullopt) << "a repeat of 5 is not inherited";
    EXPECT_FALSE(rule.respectFocus);
    EXPECT_FALSE(rule.nativeSoundMuted);

    base.flashRepeat = 3;
    EXPECT_EQ(
        mm::newConditionalRule("Slack", titleHas("x"), SoundRef::silent(), 1, base).flashRepeat, 3);

    Rule orphan =
        mm::newConditionalRule("Zoom", titleHas("x"), SoundRef::silent(), 1, std::nullopt);
    EXPECT_FALSE(orphan.flashScreen);
    EXPECT_EQ(orphan.flashColor, mm::paletteColor("Zoom"));
    EXPECT_TRUE(orphan.respectFocus);
}

TEST(MenuModel, aPresetNeverOverwritesARuleOfItsApp) {
    AppPreset slack{"Slack", "Ping", FlashColor::fromHex("#8E24AA"), 1.0};

    Rule disabled = appRule("slack");
    disabled.enabled = false;
    EXPECT_TRUE(mm::isPresetApplied(slack, {defaultRule(), disabled}));
    EXPECT_EQ(mm::ruleForPreset(slack, {defaultRule(), disabled}), disabled);

    EXPECT_TRUE(mm::isPresetApplied(slack, {appRule("Slack", titleHas("urgent"))}))
        << "a content rule of the app counts";

    Rule renamedDefault = defaultRule();
    renamedDefault.appDisplayName = "Slack";
    EXPECT_FALSE(mm::isPresetApplied(slack, {renamedDefault}));

    Rule fresh = mm::ruleForPreset(slack, {renamedDefault});
    EXPECT_EQ(fresh.appBundleId, "Slack");
    EXPECT_EQ(fresh.appDisplayName, "Slack");
    EXPECT_EQ(fresh.sound, SoundRef::builtin("Ping"));
    EXPECT_EQ(fresh.volume, 1.0);
    EXPECT_EQ(fresh.flashColor, FlashColor::fromHex("#8E24AA"));
    EXPECT_FALSE(fresh.flashMenuBar || fresh.flashScreen);
}

TEST(MenuModel, rowsShowConfiguredAppsAsTheirRuleWritesThemThenSeenApps) {
    Rule disabled = appRule("Zoom");
    disabled.enabled = false;
    std::vector<Rule> rules{defaultRule(), appRule("Mail"), appRule(" mail "), appRule("  "),
                            disabled};
    std::vector<std::string> seen{"mail", "Notes", "  ", "apple", " Notes\n"};

    EXPECT_EQ(mm::appRows(rules, seen),
              (std::vector<std::string>{"apple", "Mail", "Notes", "Zoom"}));
    EXPECT_EQ(mm::configuredApps(rules, seen), (std::vector<std::string>{"Mail"}))
        << "only apps with an enabled rule are configured";
}

TEST(MenuModel, forgettingDropsEverySpellingOfTheName) {
    std::set<std::string> seen{"Slack", "slack ", "Mail"};
    EXPECT_EQ(mm::forgetting(" SLACK", seen), (std::set<std::string>{"Mail"}));
    EXPECT_EQ(mm::forgetting("  ", seen), seen);
}

TEST(MenuModel, filesInUseAreComparedByStandardisedPath) {
    Rule a = appRule("Slack");
    a.sound = SoundRef::file(FileUrl::fromPath("/home/u/Sounds/./clip.m4a"));
    Rule b = appRule("Mail");
    b.sound = SoundRef::builtin("clip");
    Rule c = appRule("Zoom");
    c.sound = SoundRef::file(FileUrl::fromPath("/home/u/Sounds/other/../clip.m4a"));

    EXPECT_EQ(mm::appsUsingFile(FileUrl::fromPath("/home/u/Sounds/clip.m4a"), {a, b, c}),
              (std::vector<std::string>{"Slack", "Zoom"}));
}

TEST(MenuModel, labelsAsLogLinesWriteThem) {
    EXPECT_EQ(mm::soundLabel(SoundRef::builtin("Ping")), "Ping");
    EXPECT_EQ(mm::soundLabel(SoundRef::file(FileUrl::fromPath("/x/My clip.m4a"))), "My clip.m4a");
    EXPECT_EQ(mm::soundLabel(SoundRef::silent()), "Silent");

    EXPECT_EQ(mm::conditionLabel(titleHas("urgent")), "titleContains(\"urgent\")");
    EXPECT_EQ(mm::conditionLabel({Condition::Type::regex, R"(a"b\d)"}), R"(regex("a\"b\\d"))");

    EXPECT_EQ(mm::percent(0.125), 13) << "halves round away from zero";
    EXPECT_EQ(mm::percent(0.996), 100) << "rounded, not truncated";
    EXPECT_EQ(mm::soundLabel(SoundRef::builtin("\u202Eopusfile")), "\u202Eopusfile")
        << "log lines keep names as they came";
    EXPECT_EQ(MenuTexts::clearAppAlerts("\u202Eopusfile"),
              "Clear \u2068\u202Eopusfile\u2069's alerts")
        << "a sentence shown around a name keeps its order";
}

TEST(PanelCorner, followsThePanelsThatTrimTheScreenAndDefaultsToTopRight) {
    const ScreenArea screen{0, 0, 1920, 1080};
    EXPECT_EQ(panelCorner(screen, screen), TrayAnchor::topRight) << "no panel reserves space";
    EXPECT_EQ(panelCorner(screen, {0, 32, 1920, 1048}), TrayAnchor::topRight);
    EXPECT_EQ(panelCorner(screen, {0, 0, 1920, 1036}), TrayAnchor::bottomRight);
    EXPECT_EQ(panelCorner(screen, {64, 0, 1856, 1080}), TrayAnchor::topLeft);
    EXPECT_EQ(panelCorner(screen, {64, 0, 1856, 1036}), TrayAnchor::bottomLeft);
    EXPECT_EQ(panelCorner({1920, 0, 1280, 1024}, {1920, 0, 1280, 990}), TrayAnchor::bottomRight)
        << "a second screen to the right";
}
