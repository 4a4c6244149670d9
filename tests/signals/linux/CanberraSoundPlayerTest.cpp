#include "signals/linux/CanberraSoundPlayer.h"

#include "BuiltTones.h"
#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/SignalLevels.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <chrono>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::PrivatePulse;

constexpr float audible = 0.005f;

class CanberraSoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pulse.ready()) << pulse.setupError(); }

    // Plays name at volume and returns what the sink played.
    std::vector<float> record(CanberraSoundPlayer& player, const std::string& name, double volume,
                              NamedSoundStart::Status expected = NamedSoundStart::Status::playing) {
        PrivatePulse::Recording recording(pulse);
        EXPECT_TRUE(recording.started());
        auto start = player.play(name, volume);
        EXPECT_EQ(start.status, expected) << name << ": " << start.error;
        if (start.sound) {
            EXPECT_TRUE(test::waitUntil([&] { return !start.sound->isPlaying(); }, 5s))
                << name << " never ended";
        }
        const double now = recording.seconds();
        test::waitUntil([&] { return recording.seconds() > now + 0.25; }, 3s);
        return recording.finish();
    }

    PrivatePulse pulse;
    test::TempDir dir;
};

TEST_F(CanberraSoundPlayerTest, playsOurOwnToneByNameWhateverItsCase) {
    ASSERT_TRUE(std::filesystem::exists(test::builtToneFolder() / "Submarine.wav"))
        << "build the tones first";
    CanberraSoundPlayer player({(dir / "empty").string(), test::builtToneFolder().string()});
    auto start = player.play("Submarine", 1.0);
    ASSERT_EQ(start.status, NamedSoundStart::Status::playing) << start.error;
    ASSERT_TRUE(start.sound);
    EXPECT_TRUE(start.sound->isPlaying());
    EXPECT_TRUE(test::waitUntil([&] { return !start.sound->isPlaying(); }, 5s));

    const auto samples = record(player, "submarine", 1.0);
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span) << "Submarine was not heard";
    EXPECT_GT(span->size(), PrivatePulse::rate / 2) << "the whole tone, not a click";
    EXPECT_LT(span->size(), PrivatePulse::rate * 3 / 2);
}

TEST_F(CanberraSoundPlayerTest, volumeIsAppliedAndCappedAtFull) {
    ASSERT_TRUE(
        test::writeWav(dir / "Steady.wav", test::sineTone(440, 0.25, 0.5, 48000), 48000, 1));
    CanberraSoundPlayer player({dir.path().string()});
    const auto level = [&](double volume) {
        return test::steadyLevel(record(player, "Steady", volume), audible);
    };
    const double full = level(1.0);
    EXPECT_NEAR(full, test::decibels(0.25 / std::sqrt(2.0)), 0.3);
    EXPECT_NEAR(level(0.5) - full, -6.02, 0.3);
    EXPECT_NEAR(level(2.0) - full, 0.0, 0.3) << "more than 100 % plays at 100 %";
}

TEST_F(CanberraSoundPlayerTest, fallsBackToTheDesktopThemeAndReportsUnknownNames) {
    // Our folders do not hold "bell"; the freedesktop theme does.
    CanberraSoundPlayer player({dir.path().string()});
    const auto bell = record(player, "bell", 1.0);
    EXPECT_GT(test::peak(bell), 0.05) << "the theme's bell was not heard";

    const auto nothing =
        record(player, "no-such-sound-anywhere", 1.0, NamedSoundStart::Status::notFound);
    EXPECT_LT(test::peak(nothing), audible);
}

TEST_F(CanberraSoundPlayerTest, findsTheServerAgainAfterARestart) {
    ASSERT_TRUE(
        test::writeWav(dir / "Steady.wav", test::sineTone(440, 0.25, 0.3, 48000), 48000, 1));
    CanberraSoundPlayer player({dir.path().string()});
    EXPECT_GT(test::peak(record(player, "Steady", 1.0)), 0.2);

    pulse.kill();
    const auto start = player.play("Steady", 1.0);
    EXPECT_EQ(start.status, NamedSoundStart::Status::failed) << "no server";
    EXPECT_FALSE(start.error.empty());

    ASSERT_TRUE(pulse.restart()) << pulse.setupError();
    EXPECT_GT(test::peak(record(player, "Steady", 1.0)), 0.2) << "the new server is used";
}

TEST(CanberraSoundPlayerWithHungServer, failsTheSoundInsteadOfWaitingForever) {
    test::TempDir dir;
    ASSERT_TRUE(
        test::writeWav(dir / "Steady.wav", test::sineTone(440, 0.25, 0.3, 48000), 48000, 1));
    auto silent = std::make_unique<test::SilentServer>(dir / "hung");
    ASSERT_TRUE(silent->ready());
    test::ScopedEnvironment env({{"PULSE_SERVER", silent->pulseAddress()}});
    using Clock = std::chrono::steady_clock;
    const std::string noAnswer = "libcanberra: the audio server does not answer";

    CanberraSoundPlayer player({dir.path().string()});
    auto tried = Clock::now();
    auto start = player.play("Steady", 1.0);
    auto took = Clock::now() - tried;
    EXPECT_EQ(start.status, NamedSoundStart::Status::failed);
    EXPECT_EQ(start.error, noAnswer);
    EXPECT_GT(took, 1500ms) << "the first sound waits for the answer";
    EXPECT_LT(took, 10s) << "but not for ever";
    // Later waits are measured against the first, so a slow machine cannot fail them.
    tried = Clock::now();
    start = player.play("Steady", 1.0);
    EXPECT_EQ(start.error, noAnswer);
    EXPECT_LT(Clock::now() - tried, took / 2) << "later sounds do not queue behind the stuck one";
    {
        CanberraSoundPlayer another({dir.path().string()});
        EXPECT_EQ(another.play("Steady", 1.0).error, noAnswer);
        tried = Clock::now();
    }
    EXPECT_LT(Clock::now() - tried, took / 2) << "a stuck player does not hold up its destruction";

    // The hung server goes away: the stuck call ends and sounds are tried afresh.
    silent.reset();
    EXPECT_TRUE(test::waitUntil(
        [&] {
            start = player.play("Steady", 1.0);
            return start.error != noAnswer;
        },
        2s));
    EXPECT_EQ(start.status, NamedSoundStart::Status::failed);
    {
        PrivatePulse pulse;
        ASSERT_TRUE(pulse.ready()) << pulse.setupError();
        start = player.play("Steady", 1.0);
        ASSERT_EQ(start.status, NamedSoundStart::Status::playing) << start.error;
        EXPECT_TRUE(test::waitUntil([&] { return !start.sound->isPlaying(); }, 5s));
    }
}

} // namespace
} // namespace corvale
