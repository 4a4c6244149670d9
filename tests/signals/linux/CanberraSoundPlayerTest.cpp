#include "signals/linux/CanberraSoundPlayer.h"

#include "BuiltTones.h"
#include "support/HeldRelay.h"
#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/SignalLevels.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::PrivatePulse;

constexpr float audible = 0.005f;

// A sound asked for and its answer, once the main thread has received it.
struct Asked {
    std::unique_ptr<NamedSound> sound;
    std::optional<NamedSoundStart> answer;
    int answers = 0;
};

std::unique_ptr<Asked> ask(CanberraSoundPlayer& player, const std::string& name, double volume) {
    auto asked = std::make_unique<Asked>();
    auto* raw = asked.get();
    asked->sound = player.play(name, volume, [raw](const NamedSoundStart& result) {
        raw->answer = result;
        ++raw->answers;
    });
    return asked;
}

// Asks and waits for the answer.
std::unique_ptr<Asked> answered(CanberraSoundPlayer& player, const std::string& name,
                                double volume) {
    auto asked = ask(player, name, volume);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return asked->answer.has_value(); }, 5s))
        << name << " got no answer";
    if (!asked->answer) {
        asked->answer = NamedSoundStart{NamedSoundStart::Status::failed, "no answer"};
    }
    return asked;
}

class CanberraSoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pulse.ready()) << pulse.setupError(); }

    // Plays name at volume and returns what the sink played.
    std::vector<float> record(CanberraSoundPlayer& player, const std::string& name, double volume,
                              NamedSoundStart::Status expected = NamedSoundStart::Status::playing) {
        PrivatePulse::Recording recording(pulse);
        EXPECT_TRUE(recording.started());
        auto start = answered(player, name, volume);
        EXPECT_EQ(start->answer->status, expected) << name << ": " << start->answer->error;
        EXPECT_TRUE(test::pumpEventsUntil([&] { return !start->sound->isPlaying(); }, 5s))
            << name << " never ended";
        const double now = recording.seconds();
        test::pumpEventsUntil([&] { return recording.seconds() > now + 0.25; }, 3s);
        return recording.finish();
    }

    PrivatePulse pulse;
    test::TempDir dir;
};

TEST_F(CanberraSoundPlayerTest, playsOurOwnToneByNameWhateverItsCase) {
    ASSERT_TRUE(std::filesystem::exists(test::builtToneFolder() / "Submarine.wav"))
        << "build the tones first";
    CanberraSoundPlayer player({(dir / "empty").string(), test::builtToneFolder().string()});
    auto start = answered(player, "Submarine", 1.0);
    ASSERT_EQ(start->answer->status, NamedSoundStart::Status::playing) << start->answer->error;
    EXPECT_TRUE(start->sound->isPlaying());
    EXPECT_TRUE(test::pumpEventsUntil([&] { return !start->sound->isPlaying(); }, 5s));
    test::pumpEventsFor(50ms);
    EXPECT_EQ(start->answers, 1) << "one answer per sound";

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
    const auto start = answered(player, "Steady", 1.0);
    EXPECT_EQ(start->answer->status, NamedSoundStart::Status::failed) << "no server";
    EXPECT_FALSE(start->answer->error.empty());
    EXPECT_FALSE(start->sound->isPlaying());

    ASSERT_TRUE(pulse.restart()) << pulse.setupError();
    EXPECT_GT(test::peak(record(player, "Steady", 1.0)), 0.2) << "the new server is used";
}

TEST_F(CanberraSoundPlayerTest, aStoppedSoundIsSilencedWhetherStartingOrPlaying) {
    ASSERT_TRUE(test::writeWav(dir / "Long.wav", test::sineTone(440, 0.25, 3.0, 48000), 48000, 1));
    CanberraSoundPlayer player({dir.path().string()});
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    auto cancelled = ask(player, "Long", 1.0);
    cancelled->sound->stop();
    auto playing = answered(player, "Long", 1.0);
    ASSERT_EQ(playing->answer->status, NamedSoundStart::Status::playing);
    const double heardFrom = recording.seconds();
    test::pumpEventsUntil([&] { return recording.seconds() > heardFrom + 0.5; }, 3s);
    playing->sound->stop();
    EXPECT_FALSE(playing->sound->isPlaying());
    const double stoppedAt = recording.seconds();
    test::pumpEventsUntil([&] { return recording.seconds() > stoppedAt + 1.0; }, 3s);
    const auto samples = recording.finish();
    EXPECT_FALSE(cancelled->answer) << "a stopped sound gets no answer";

    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span) << "the second sound was not heard";
    EXPECT_LT(static_cast<double>(span->size()) / PrivatePulse::rate, 1.5)
        << "one sound, cut short: the cancelled one never played and the stopped one stopped";
}

TEST(CanberraSoundPlayerWithHungServer, failsTheSoundWithoutBlockingAndNeverPlaysItLate) {
    test::TempDir dir;
    ASSERT_TRUE(
        test::writeWav(dir / "Steady.wav", test::sineTone(440, 0.25, 0.3, 48000), 48000, 1));
    auto silent = std::make_unique<test::HeldRelay>(dir / "hung");
    ASSERT_TRUE(silent->ready());
    test::ScopedEnvironment env({{"PULSE_SERVER", silent->pulseAddress()}});
    using Clock = std::chrono::steady_clock;
    const std::string noAnswer = "libcanberra: the audio server does not answer";

    CanberraSoundPlayer player({dir.path().string()});
    auto tried = Clock::now();
    auto first = ask(player, "Steady", 1.0);
    EXPECT_LT(Clock::now() - tried, 1s) << "asking never waits for the server";
    ASSERT_TRUE(test::pumpEventsUntil([&] { return first->answer.has_value(); }, 5s));
    auto took = Clock::now() - tried;
    EXPECT_EQ(first->answer->status, NamedSoundStart::Status::failed);
    EXPECT_EQ(first->answer->error, noAnswer);
    EXPECT_GT(took, 1500ms) << "the first sound waits for the answer";
    EXPECT_LT(took, 10s) << "but not for ever";
    EXPECT_FALSE(first->sound->isPlaying());

    // Later waits are measured against the first, so a slow machine cannot fail them.
    tried = Clock::now();
    auto second = answered(player, "Steady", 1.0);
    EXPECT_EQ(second->answer->error, noAnswer);
    // At most its own time-out: queued behind the stuck one it would wait for both.
    EXPECT_LT(Clock::now() - tried, took + took / 2)
        << "later sounds do not queue behind the stuck one";
    {
        CanberraSoundPlayer another({dir.path().string()});
        auto asked = ask(another, "Steady", 1.0);
        tried = Clock::now();
    }
    EXPECT_LT(Clock::now() - tried, took / 2) << "a stuck player does not hold up its destruction";

    // The hung server goes away: the stuck call ends and sounds are tried afresh; a server that
    // comes up later is found.
    silent.reset();
    std::unique_ptr<Asked> again;
    EXPECT_TRUE(test::pumpEventsUntil(
        [&] {
            again = answered(player, "Steady", 1.0);
            return again->answer->error != noAnswer;
        },
        3s));
    EXPECT_EQ(again->answer->status, NamedSoundStart::Status::failed);
    {
        PrivatePulse pulse;
        ASSERT_TRUE(pulse.ready()) << pulse.setupError();
        PrivatePulse::Recording recording(pulse);
        ASSERT_TRUE(recording.started());
        auto start = answered(player, "Steady", 1.0);
        ASSERT_EQ(start->answer->status, NamedSoundStart::Status::playing) << start->answer->error;
        EXPECT_TRUE(test::pumpEventsUntil([&] { return !start->sound->isPlaying(); }, 5s));
        const double now = recording.seconds();
        test::pumpEventsUntil([&] { return recording.seconds() > now + 0.25; }, 3s);
        const auto span = test::audibleSpan(recording.finish(), audible);
        ASSERT_TRUE(span);
        EXPECT_LT(static_cast<double>(span->size()) / PrivatePulse::rate, 0.4)
            << "the sounds that timed out are not played late besides this one";
    }
}

} // namespace
} // namespace corvale
