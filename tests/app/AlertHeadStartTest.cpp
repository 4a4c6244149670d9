#include "app/AlertHeadStart.h"
#include "signals/ActionRunner.h"

#include "support/AppRule.h"
#include "support/FakeAudio.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;

namespace {

struct BusThreadDecision : ::testing::Test {
    TempDir dir;
    FakeAudioEngine engine;
    HeadStarts heads{engine};
    std::unique_ptr<AlertHeadStart> ahead;
    std::vector<Rule> rules;
    AlertHeadStart::Facts facts;
    int serial = 0;

    void SetUp() override {
        writeFile(dir / "ours" / "Submarine.wav", "");
        writeFile(dir / "ours" / "Glass.wav", "");
        engine.answerAtOnce = false;
        ahead = std::make_unique<AlertHeadStart>(heads, std::vector{dir / "ours"});
        rules = {Rule::fallback()};
        facts.armed = true;
        facts.roomToPlay = true;
    }

    // Publishes, then hands the bus thread one notification; the path it asked for, if any.
    std::optional<std::string> seen(const std::string& app, const std::string& title = "hi",
                                    bool suppressSound = false) {
        ahead->publish(rules, facts);
        ObservedNotification n;
        n.uuid = ":1.9#" + std::to_string(++serial);
        n.appName = app;
        n.title = title;
        n.suppressSound = suppressSound;
        const auto before = engine.starts.size();
        if (!ahead->seen(n)) {
            return std::nullopt;
        }
        EXPECT_EQ(engine.starts.size(), before + 1);
        return std::filesystem::path(engine.starts.back().path).filename().string();
    }
};

} // namespace

// The bus thread asks for the sound the dispatch would pick: the rule engine's rule, its sound
// found in the library, at its volume.
TEST_F(BusThreadDecision, startsTheSoundTheDispatchWouldPlay) {
    auto slack = appRule("Slack", std::nullopt, SoundRef::builtin("Glass"));
    slack.volume = 1.5;
    auto urgent = appRule("Slack", Condition{Condition::Type::regex, "urgent|now"},
                          SoundRef::builtin("Submarine"));
    rules = {Rule::fallback(), slack, urgent};
    EXPECT_EQ(seen("Slack"), "Glass.wav");
    EXPECT_FLOAT_EQ(engine.starts.back().gain, ActionRunner::gainFactor(1.5));
    EXPECT_EQ(seen("Slack", "reply now"), "Submarine.wav");
    EXPECT_EQ(seen("Mail"), "Submarine.wav") << "the default rule's sound";

    auto custom =
        appRule("Files", std::nullopt, SoundRef::file(FileUrl::fromPath((dir / "a.ogg").string())));
    rules.push_back(custom);
    EXPECT_EQ(seen("Files"), "a.ogg");
}

// Whenever the dispatch could decide otherwise, or needs more than a file to play, the bus thread
// leaves the sound to it.
TEST_F(BusThreadDecision, leavesEveryOtherCaseToTheDispatch) {
    auto quiet = appRule("Quiet", std::nullopt, SoundRef::silent());
    auto own = appRule("Own");
    own.useAppSound = true;
    auto polite = appRule("Polite");
    polite.respectSuppressSound = true;
    auto missing = appRule("Missing", std::nullopt, SoundRef::builtin("Nowhere"));
    rules = {quiet, own, polite, missing};
    EXPECT_FALSE(seen("Quiet"));
    EXPECT_FALSE(seen("Own"));
    EXPECT_FALSE(seen("Polite", "hi", true));
    EXPECT_TRUE(seen("Polite", "hi", false));
    EXPECT_FALSE(seen("Missing")) << "the fallback player's sound";
    EXPECT_FALSE(seen("Unknown")) << "no rule";

    rules = {Rule::fallback()};
    facts.silence.soundsOn = false;
    EXPECT_FALSE(seen("Mail"));
    facts.silence.soundsOn = true;
    facts.silence.snoozed = true;
    EXPECT_FALSE(seen("Mail"));
    facts.silence.snoozed = false;
    facts.silence.focusSilencing = true;
    EXPECT_FALSE(seen("Mail")) << "the default rule respects Focus";
    facts.silence.focusSilencing = false;
    facts.armed = false;
    EXPECT_FALSE(seen("Mail")) << "the reader would not announce it";
    facts.armed = true;
    facts.roomToPlay = false;
    EXPECT_FALSE(seen("Mail"));
    facts.roomToPlay = true;
    EXPECT_TRUE(seen("Mail"));
}
