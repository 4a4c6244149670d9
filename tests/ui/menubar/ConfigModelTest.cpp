#include "ui/menubar/ConfigModel.h"

#include "support/AppRule.h"
#include "support/ModelStores.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;

namespace {

struct Played {
    Rule rule;
    ObservedNotification notification;
};

struct FlashCall {
    std::optional<FlashColor> color;
    FlashStyle style;
    std::string appName;
    std::optional<int> repeat;
};

// The model over real stores in a private folder, with the sound player and the flashes recorded.
class ConfigModelTest : public ::testing::Test, protected ModelStores {
protected:
    ConfigModelTest()
        : ModelStores(
              [this](const Rule& r, const ObservedNotification& n) {
                  played.push_back({r, n});
              },
              {"Ping", "Submarine"}) {
        log.lines.clear();
        changes = model->observe([this] { ++announced; });
        soundNotes = center.observe(notes::soundDidChange, [this] { ++soundChanged; });
        model->onScreenFlashPreview =
            [this](const std::optional<FlashColor>& color, FlashStyle style, const std::string& app,
                   const std::optional<FlashIntensity>&, const std::optional<FlashDuration>&,
                   const std::optional<int>& repeat) {
                screenFlashes.push_back({color, style, app, repeat});
            };
        model->onFlashPreview = [this](const std::optional<FlashColor>& color) {
            menuBarFlashes.push_back(color);
        };
    }

    Rule addRule(const std::string& app, std::optional<Condition> condition = std::nullopt) {
        Rule rule = appRule(app, std::move(condition));
        rules.upsert(rule);
        return rule;
    }

    std::vector<Played> played;
    std::vector<FlashCall> screenFlashes;
    std::vector<std::optional<FlashColor>> menuBarFlashes;
    int announced = 0;
    int soundChanged = 0;
    Subscription changes;
    Subscription soundNotes;
};

const Condition urgent{Condition::Type::titleContains, "urgent"};

} // namespace

TEST_F(ConfigModelTest, fieldEditsAreStoredLoggedAndAnnounced) {
    Rule conditional = addRule("Slack", urgent);

    model->setFlashScreen(true, " Slack ");
    EXPECT_TRUE(log.contains("[rule] Slack \u2192 flashScreen = true"));
    EXPECT_EQ(announced, 1);
    auto stored = rulesOnDisk();
    ASSERT_EQ(stored.size(), 3u) << "a base rule was created beside the content rule";
    EXPECT_EQ(stored[1], conditional) << "the content rule is untouched";
    EXPECT_TRUE(stored[2].flashScreen);
    EXPECT_FALSE(stored[2].condition);

    model->setVolume(2.5, "Slack");
    model->setVolume(-0.2, std::nullopt);
    EXPECT_TRUE(log.contains("[rule] Slack \u2192 volume 200%"));
    EXPECT_TRUE(log.contains("[rule] All other apps \u2192 volume 0%"));
    stored = rulesOnDisk();
    EXPECT_EQ(stored[2].volume, 2.0);
    EXPECT_EQ(stored[0].volume, 0.0);
    EXPECT_EQ(stored.size(), 3u) << "edits of the same app reuse its base rule";

    // The settings pane's test logs every other field through this model.
    model->setFlashColor(FlashColor{1.0, 0.5, 0.0}, "Slack");
    model->setFlashRepeat(7, "Slack");
    EXPECT_TRUE(log.contains("\u2192 flashColor = #FF8000"));
    EXPECT_TRUE(log.contains("\u2192 flashRepeat = global default"))
        << "the log says what was stored, not the refused count";
    EXPECT_EQ(soundChanged, 0) << "only sound edits post the sound-changed notice";

    model->setSound(SoundRef::silent(), "Slack");
    EXPECT_TRUE(log.contains("[rule] Slack \u2192 sound Silent"));
    EXPECT_EQ(soundChanged, 1);
    EXPECT_EQ(rulesOnDisk()[2].sound, SoundRef::silent());
}

TEST_F(ConfigModelTest, addingAndRemovingApps) {
    EXPECT_EQ(model->addApp(" \n"), std::nullopt);
    const auto initial = rules.rules();
    EXPECT_EQ(model->addApp(" * "), std::nullopt) << "\"*\" would replace All other apps";
    EXPECT_EQ(rulesOnDisk(), initial);
    EXPECT_EQ(announced, 0);
    EXPECT_TRUE(log.lines.empty());

    EXPECT_EQ(model->addApp("  Zoom "), "Zoom");
    auto before = rules.rules();
    EXPECT_EQ(model->addApp("zoom"), "zoom");
    EXPECT_EQ(rules.rules(), before) << "adding an app that has a rule changes nothing";
    EXPECT_EQ(log.count("[rule] added app "), 2u);

    addRule("zoom", urgent);
    pings.record("Zoom", scheduler.now(), std::nullopt);
    pings.record("Mail", scheduler.now(), std::nullopt);
    std::vector<std::string> forgotten;
    model->onForgetSeenApp = [&](const std::string& name) { forgotten.push_back(name); };

    EXPECT_TRUE(model->removeApp("ZOOM"));
    EXPECT_TRUE(log.contains("[rule] removed app ZOOM (2 rule(s))"));
    ASSERT_EQ(rulesOnDisk().size(), 1u);
    EXPECT_TRUE(rulesOnDisk()[0].isDefault()) << "the default rule stays";
    ASSERT_EQ(pings.records().size(), 1u);
    EXPECT_EQ(pings.records()[0].appName, "Mail");
    EXPECT_EQ(forgotten, (std::vector<std::string>{"ZOOM"}));

    EXPECT_FALSE(model->removeApp("Zoom")) << "nothing left to remove";
}

TEST_F(ConfigModelTest, customSoundSwitchTurnsEveryRuleOfTheApp) {
    addRule("Slack");
    addRule("Slack", urgent);

    model->setCustomEnabled(false, "slack");
    for (const auto& rule : rulesOnDisk()) {
        EXPECT_EQ(rule.enabled, rule.isDefault()) << rule.appDisplayName;
    }
    EXPECT_TRUE(log.contains("[rule] slack \u2192 custom sound OFF (inherits default)"));

    model->setCustomEnabled(true, "Zoom");
    ASSERT_EQ(MenuModel::rulesForApp("Zoom", rules.rules()).size(), 1u)
        << "switching on an app without rules adds it";
    EXPECT_TRUE(log.contains("[rule] Zoom \u2192 custom sound ON"));

    model->setNativeMuted(true, "Mail");
    auto mail = MenuModel::baseRule("Mail", rulesOnDisk());
    ASSERT_TRUE(mail);
    EXPECT_TRUE(mail->nativeSoundMuted);
}

TEST_F(ConfigModelTest, contentRulesInheritFromTheBaseOrTheDefaultRule) {
    Rule star = *rules.defaultRule();
    star.flashMenuBar = true;
    rules.upsert(star);

    model->addRule("Zoom", urgent, SoundRef::builtin("Hero"), 0.8);
    EXPECT_TRUE(log.contains("[rule] Zoom + content rule titleContains(\"urgent\") \u2192 Hero"));
    auto zoom = MenuModel::conditionalRules("Zoom", rules.rules());
    ASSERT_EQ(zoom.size(), 1u);
    EXPECT_TRUE(zoom[0].flashMenuBar) << "without a base rule the default rule is inherited";
    EXPECT_EQ(soundChanged, 1);

    const int announcedBefore = announced;
    const size_t linesBefore = log.lines.size();
    model->updateRule(Uuid::random(), urgent, SoundRef::silent(), 1.0);
    model->removeRule(Uuid::random());
    EXPECT_EQ(announced, announcedBefore) << "an unknown id changes nothing";
    EXPECT_EQ(log.lines.size(), linesBefore);

    Condition body{Condition::Type::bodyContains, "say \"hi\""};
    model->updateRule(zoom[0].id, body, SoundRef::silent(), 9.0);
    EXPECT_TRUE(log.contains("[rule] edit content rule Zoom bodyContains(\"say \\\"hi\\\"\") "
                             "\u2192 Silent"));
    Rule updated = MenuModel::conditionalRules("Zoom", rulesOnDisk()).at(0);
    EXPECT_EQ(updated.id, zoom[0].id);
    EXPECT_EQ(updated.condition, body);
    EXPECT_EQ(MenuModel::conditionalRules("Zoom", model->rules()).at(0).volume, 2.0)
        << "what runs now is what a restart would read";

    model->removeRule(zoom[0].id);
    EXPECT_TRUE(log.contains("[rule] removed content rule"));
    EXPECT_TRUE(MenuModel::rulesForApp("Zoom", rulesOnDisk()).empty());
    EXPECT_EQ(soundChanged, 3);
}

TEST_F(ConfigModelTest, applyingAPresetKeepsTheUsersOwnRule) {
    const AppPreset& slack = StarterPresets::all().front();
    Rule mine = addRule("slack");
    mine.enabled = false;
    rules.upsert(mine);

    EXPECT_EQ(model->applyPreset(slack), slack.appName);
    EXPECT_EQ(rulesOnDisk(), (std::vector<Rule>{*rules.defaultRule(), mine}));
    EXPECT_TRUE(log.contains("[rule] applied preset " + slack.appName + " \u2192 Submarine"));
    EXPECT_TRUE(MenuModel::isPresetApplied(slack, model->rules()));
    EXPECT_EQ(soundChanged, 1);
}

TEST_F(ConfigModelTest, testPlaysTheBaseRuleAndFlashesLikeAnAlert) {
    Rule slack = addRule("Slack");
    slack.sound = SoundRef::builtin("Ping");
    slack.volume = 1.5;
    slack.flashScreen = true;
    slack.flashColor = FlashColor::fromHex("#8E24AA");
    slack.flashRepeat = 2;
    rules.upsert(slack);
    addRule("Slack", urgent);

    model->test(" Slack");
    EXPECT_TRUE(log.contains("[test] Slack \u2192 Ping @ 150% + screen-flash"));
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].rule, slack);
    EXPECT_EQ(played[0].notification.appName, "Slack");
    ASSERT_EQ(screenFlashes.size(), 1u);
    EXPECT_EQ(screenFlashes[0].appName, "Slack");
    EXPECT_EQ(screenFlashes[0].repeat, 2);
    EXPECT_TRUE(menuBarFlashes.empty());

    model->test(std::nullopt);
    EXPECT_TRUE(log.contains("[test] All other apps \u2192 Submarine @ 100%"));
    EXPECT_EQ(played.back().notification.appName, "Test");
    EXPECT_TRUE(played.back().rule.isDefault());
    model->test("Unknown");
    EXPECT_TRUE(played.back().rule.isDefault()) << "an app without a base rule tests the default";
    EXPECT_EQ(announced, 0) << "trying things out changes nothing";
}

TEST_F(ConfigModelTest, previewsPlayAThrowAwayRuleWithoutLoggingOrStoring) {
    model->preview(SoundRef::builtin("Ping"), 3.0);
    model->previewSound(FileUrl::fromPath("/tmp/clip.m4a"));
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].rule.volume, 2.0);
    EXPECT_FALSE(played[0].rule.flashScreen || played[0].rule.flashMenuBar);
    EXPECT_NE(played[0].notification.uuid, played[1].notification.uuid);
    EXPECT_EQ(played[1].rule.sound, SoundRef::file(FileUrl::fromPath("/tmp/clip.m4a")));
    EXPECT_EQ(played[1].rule.volume, 1.0);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(rules.rules().size(), 1u);

    Rule star = *rules.defaultRule();
    star.flashMenuBar = true;
    rules.upsert(star);
    model->previewFlash(std::nullopt);
    EXPECT_TRUE(log.contains("[preview-flash] All other apps \u2192 fullScreen white"));
    ASSERT_EQ(screenFlashes.size(), 1u) << "the screen flash is always shown";
    EXPECT_EQ(screenFlashes[0].appName, "All other apps");
    EXPECT_EQ(menuBarFlashes.size(), 1u);
}

TEST_F(ConfigModelTest, summaryAndColourDescribeTheRuleThatApplies) {
    Rule slack = addRule("Slack");
    slack.sound = SoundRef::silent();
    rules.upsert(slack);
    addRule("Slack", urgent);
    addRule("Slack", Condition{Condition::Type::regex, "x"});
    EXPECT_EQ(model->summary("Slack"), "Silent \u00B7 2 custom rules");

    addRule("Mail", urgent);
    EXPECT_EQ(model->summary("Mail"), "Submarine \u00B7 100% \u00B7 1 custom rule")
        << "without a base rule the default rule's sound applies";
    EXPECT_EQ(model->summary(std::nullopt), "Submarine \u00B7 100%");

    EXPECT_EQ(model->dashboardColor("Slack"), MenuModel::paletteColor("Slack"));
    slack.flashColor = FlashColor::fromHex("#123456");
    rules.upsert(slack);
    EXPECT_EQ(model->dashboardColor("slack"), FlashColor::fromHex("#123456"));
    EXPECT_EQ(model->dashboardColor(std::nullopt), FlashColor::fromHex("#0EC9D5"));
}

TEST_F(ConfigModelTest, anAppIsUnconfirmedUntilItsNotificationIsSeen) {
    addRule("Slack");
    EXPECT_TRUE(model->isUnconfirmed(" slack"));
    EXPECT_FALSE(model->isUnconfirmed("Mail")) << "no rule, nothing to confirm";
    ConfigPublished seen;
    seen.seenApps = {"slack"};
    model->publish(seen);
    EXPECT_FALSE(model->isUnconfirmed("Slack")) << "seen this run, though not yet on file";
    model->publish({});
    observed.observe("SLACK");
    EXPECT_FALSE(model->isUnconfirmed("Slack"));

    EXPECT_TRUE(model->mayPlayTwoSounds("slack"));
    model->setNativeMuted(true, "Slack");
    EXPECT_FALSE(model->mayPlayTwoSounds("Slack")) << "the user switched its own sound off";
    EXPECT_FALSE(model->mayPlayTwoSounds("Mail")) << "no rule, nothing of ours plays";
    addRule("\u00C9clair");
    EXPECT_TRUE(model->mayPlayTwoSounds("\u00E9CLAIR")) << "names fold beyond ASCII";
}

// What the user must know about the data files: a save that fails now, and files set aside.
TEST_F(ConfigModelTest, saveProblemsAndSetAsideFilesArePublishedUntilResolvedOrDismissed) {
    const auto folder = dir.path();
    std::filesystem::remove_all(folder);
    writeFile(folder, "the data folder replaced by a file");
    model->setVolume(0.5, "Slack");
    const auto problem = model->saveProblem();
    EXPECT_NE(problem.find(RuleStore::defaultFileURL(folder).string() + " ("), std::string::npos)
        << problem;
    EXPECT_EQ(announced, 2) << "the edit, then the failure";
    std::filesystem::remove(folder);
    model->setVolume(0.6, "Slack");
    EXPECT_EQ(model->saveProblem(), "") << "cleared by a save that works";

    EXPECT_EQ(model->storeNotice(), "");
    writeFile(RuleStore::defaultFileURL(folder), "{\"rules\": [ one bad byte");
    rules.load();
    const auto notice = model->storeNotice();
    EXPECT_NE(notice.find("rules.json could not be read, so Corvale moved it to " +
                          (folder / "rules.corrupt.json").string()),
              std::string::npos)
        << notice;
    announced = 0;
    model->dismissStoreNotice();
    EXPECT_EQ(model->storeNotice(), "");
    EXPECT_EQ(announced, 1);
}

TEST_F(ConfigModelTest, observersFollowTheirSubscriptionAndTheTheme) {
    int second = 0;
    auto other = model->observe([&] { ++second; });
    center.post(notes::themeAccentChanged);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(second, 1);

    other.reset();
    model->publish({{"Slack"}, false, "Watching", true, false, {}});
    EXPECT_EQ(second, 1) << "a cancelled subscription is not called";
    EXPECT_EQ(announced, 2) << "publishing announces once";
    EXPECT_EQ(model->appRows(), (std::vector<std::string>{"Slack"}));

    // Hooks the application object never connected do nothing.
    model->onQuit();
    EXPECT_EQ(model->onAddApp(), std::nullopt);

    auto outliving = model->observe([] {});
    model.reset();
    center.post(notes::themeAccentChanged);
    outliving.reset();
    changes.reset();
}
