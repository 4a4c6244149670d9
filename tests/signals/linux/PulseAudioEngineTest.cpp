#include "signals/linux/PulseAudioEngine.h"
#include "signals/linux/FfmpegAudioDecoder.h"

#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/SignalLevels.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::PrivatePulse;
using SteadyClock = std::chrono::steady_clock;

constexpr int rate = PrivatePulse::rate;
// Anything above this in a recording is sound rather than the silent stream.
constexpr float audible = 0.01f;

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double seconds(std::size_t samples) {
    return static_cast<double>(samples) / rate;
}

// What a playback's completion told us.
struct Ending {
    int calls = 0;
    std::string error;
    bool onMainThread = false;
    SteadyClock::time_point at;

    AudioEngine::Finished callback() {
        return [this](const std::string& text) {
            ++calls;
            error = text;
            onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            at = SteadyClock::now();
        };
    }
};

class PulseAudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pulse.ready()) << pulse.setupError(); }

    std::string writeTone(const std::string& name, double frequency, double amplitude,
                          double length) {
        const auto path = dir / name;
        EXPECT_TRUE(
            test::writeWav(path, test::sineTone(frequency, amplitude, length, rate), rate, 1));
        return path.string();
    }

    std::unique_ptr<AudioStream> open(const std::string& path) {
        auto opened = decoder.open(path);
        EXPECT_TRUE(opened.stream) << path << ": " << opened.error;
        return std::move(opened.stream);
    }

    // Lets the recording run on a little, so the end of what was played is in it.
    std::vector<float> finishRecording(PrivatePulse::Recording& recording) {
        const double now = recording.seconds();
        test::pumpEventsUntil([&] { return recording.seconds() > now + 0.25; }, 3s);
        return recording.finish();
    }

    test::TempDir dir;
    PrivatePulse pulse;
    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine;
};

TEST_F(PulseAudioEngineTest, playsASoundWholeAndReportsItsEndOnTheMainThreadOnceHeard) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    Ending ending;
    const auto started = SteadyClock::now();
    auto start = engine.start(open(tone), 1.0f, 0, ending.callback());
    ASSERT_TRUE(start.playback) << start.error;
    EXPECT_TRUE(start.error.empty());
    EXPECT_TRUE(start.playback->isPlaying());

    ASSERT_TRUE(test::pumpEventsUntil([&] { return ending.calls > 0; }, 5s))
        << "the completion never came";
    EXPECT_GE(std::chrono::duration<double>(ending.at - started).count(), 0.48)
        << "the completion must wait until the sound has been heard, not just handed over";
    EXPECT_TRUE(ending.error.empty()) << ending.error;
    EXPECT_TRUE(ending.onMainThread);
    EXPECT_FALSE(start.playback->isPlaying());
    EXPECT_NEAR(start.playback->position(), 0.5, 0.03) << "the position ends at the sound's end";

    const auto samples = finishRecording(recording);
    test::pumpEventsFor(100ms);
    EXPECT_EQ(ending.calls, 1) << "the completion comes once";
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span) << "nothing was heard";
    EXPECT_NEAR(seconds(span->size()), 0.5, 0.03) << "the whole sound, head and tail, was played";
    EXPECT_NEAR(test::steadyLevel(samples, audible), test::decibels(0.25 / std::sqrt(2.0)), 0.3)
        << "a gain of 1 leaves the level as it is";
}

TEST_F(PulseAudioEngineTest, aSoundShorterThanTheBufferIsStillPlayedAndReported) {
    const auto blip = writeTone("blip.wav", 1000, 0.25, 0.02);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());
    Ending ending;
    auto start = engine.start(open(blip), 1.0f, 0, ending.callback());
    ASSERT_TRUE(start.playback) << start.error;
    ASSERT_TRUE(test::pumpEventsUntil([&] { return ending.calls > 0; }, 3s));
    EXPECT_TRUE(ending.error.empty()) << ending.error;
    const auto samples = finishRecording(recording);
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span) << "the short sound was not heard";
    EXPECT_GT(seconds(span->size()), 0.012) << "more than a click of it";
    EXPECT_LT(seconds(span->size()), 0.03);
}

TEST_F(PulseAudioEngineTest, aStartWithNothingToPlayFailsAndPlaysNothing) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    Ending ending;
    auto start = engine.start(open(tone), 1.0f, 2.0, ending.callback());
    EXPECT_FALSE(start.playback) << "nothing to play after the end";
    EXPECT_FALSE(start.error.empty());
    start = engine.start(nullptr, 1.0f, 0, ending.callback());
    EXPECT_FALSE(start.playback);
    EXPECT_FALSE(start.error.empty());

    const auto samples = finishRecording(recording);
    EXPECT_LT(test::peak(samples), audible) << "a failed start must not make a sound";
    test::pumpEventsFor(100ms);
    EXPECT_EQ(ending.calls, 0) << "a failed start has no completion";
}

TEST_F(PulseAudioEngineTest, startsAtAnOffsetFollowsThePositionAndStopsAtOnce) {
    const auto tone = writeTone("long.wav", 440, 0.25, 2.0);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    Ending ending;
    const auto started = SteadyClock::now();
    auto start = engine.start(open(tone), 1.0f, 1.0, ending.callback());
    ASSERT_TRUE(start.playback) << start.error;
    auto& playback = *start.playback;
    EXPECT_GE(playback.position(), 1.0);
    EXPECT_LT(playback.position(), 1.15);

    // Moving at all is the deadline's business; a busy machine may only make it slower.
    ASSERT_TRUE(test::pumpEventsUntil([&] { return playback.position() >= 1.3; }, 10s))
        << "the position moves with the sound";
    EXPECT_GE(secondsSince(started), 0.28)
        << "the position follows what is heard, not what was sent";
    playback.stop();
    const double stoppedAt = playback.position();
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_GE(stoppedAt, 1.3);
    EXPECT_LT(stoppedAt, 1.5);

    test::pumpEventsFor(400ms);
    EXPECT_EQ(ending.calls, 0) << "no completion after stop";
    EXPECT_DOUBLE_EQ(playback.position(), stoppedAt) << "a stopped playback stays where it was";
    const auto samples = finishRecording(recording);
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span);
    EXPECT_LT(seconds(span->size()), 0.7) << "stop cuts the remaining 0.7 s off";
}

TEST_F(PulseAudioEngineTest, aServerThatDiesEndsThePlaybackAndANewOneIsFoundAtTheNextSound) {
    const auto longTone = writeTone("long.wav", 440, 0.25, 3.0);
    const auto shortTone = writeTone("short.wav", 660, 0.25, 0.3);

    Ending broken;
    auto start = engine.start(open(longTone), 1.0f, 0, broken.callback());
    ASSERT_TRUE(start.playback) << start.error;
    test::pumpEventsFor(200ms);
    pulse.kill();
    ASSERT_TRUE(test::pumpEventsUntil([&] { return broken.calls > 0; }, 3s))
        << "a vanished server must end the playback";
    EXPECT_FALSE(broken.error.empty());
    EXPECT_FALSE(start.playback->isPlaying());
    start.playback.reset();

    Ending refused;
    const auto tried = SteadyClock::now();
    start = engine.start(open(shortTone), 1.0f, 0, refused.callback());
    EXPECT_FALSE(start.playback) << "no server, no playback";
    EXPECT_LT(secondsSince(tried), 1.0) << "a refused connection is reported at once";

    ASSERT_TRUE(pulse.restart()) << pulse.setupError();
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());
    Ending ending;
    start = engine.start(open(shortTone), 1.0f, 0, ending.callback());
    ASSERT_TRUE(start.playback) << "the restarted server is used: " << start.error;
    ASSERT_TRUE(test::pumpEventsUntil([&] { return ending.calls > 0; }, 5s));
    EXPECT_TRUE(ending.error.empty()) << ending.error;
    EXPECT_GT(test::peak(finishRecording(recording)), 0.2);
    EXPECT_EQ(refused.calls, 0);
}

TEST_F(PulseAudioEngineTest, playbacksOutliveTheirEngine) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.3);
    auto shortLived = std::make_unique<PulseAudioEngine>();
    std::unique_ptr<AudioPlayback> playback;
    bool finished = false;
    auto start = shortLived->start(open(tone), 1.0f, 0, [&](const std::string& error) {
        EXPECT_TRUE(error.empty()) << error;
        finished = true;
        playback.reset();
    });
    ASSERT_TRUE(start.playback) << start.error;
    playback = std::move(start.playback);
    shortLived.reset();
    EXPECT_TRUE(test::pumpEventsUntil([&] { return finished; }, 5s));
    EXPECT_FALSE(playback);
}

TEST(PulseAudioEngineWithoutServer, refusesAtOnceWithoutBlocking) {
    test::TempDir dir;
    const auto tone = dir / "tone.wav";
    ASSERT_TRUE(test::writeWav(tone, test::sineTone(440, 0.25, 0.3, rate), rate, 1));
    test::ScopedEnvironment env(
        {{"PULSE_SERVER", "unix:" + (dir / "no-server" / "native").string()}});

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine;
    auto opened = decoder.open(tone.string());
    ASSERT_TRUE(opened.stream) << opened.error;
    bool finished = false;
    const auto tried = SteadyClock::now();
    auto start = engine.start(std::move(opened.stream), 1.0f, 0,
                              [&](const std::string&) { finished = true; });
    const double took = secondsSince(tried);

    EXPECT_FALSE(start.playback);
    EXPECT_NE(start.error.find("PulseAudio"), std::string::npos) << start.error;
    EXPECT_LT(took, 1.0) << "a missing server must not block the caller";
    test::pumpEventsFor(100ms);
    EXPECT_FALSE(finished) << "a refused start has no completion";
}

TEST(PulseAudioEngineWithHungServer, waitsOnceThenFailsAtOnceUntilTheServerAnswersOrGoes) {
    test::TempDir dir;
    const auto tone = dir / "tone.wav";
    ASSERT_TRUE(test::writeWav(tone, test::sineTone(440, 0.25, 0.3, rate), rate, 1));
    auto silent = std::make_unique<test::SilentServer>(dir / "hung");
    ASSERT_TRUE(silent->ready());
    test::ScopedEnvironment env({{"PULSE_SERVER", silent->pulseAddress()}});

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine;
    auto tryStart = [&](double& took) {
        auto opened = decoder.open(tone.string());
        EXPECT_TRUE(opened.stream) << opened.error;
        const auto tried = SteadyClock::now();
        auto start = engine.start(std::move(opened.stream), 1.0f, 0, [](const std::string&) {});
        took = secondsSince(tried);
        EXPECT_FALSE(start.playback);
        return start.error;
    };
    double took = 0;
    EXPECT_EQ(tryStart(took), "PulseAudio: the audio server does not answer");
    EXPECT_GT(took, 1.5) << "the first start waits for the answer";
    EXPECT_LT(took, 3.0) << "but not for ever";
    EXPECT_EQ(tryStart(took), "PulseAudio: the audio server does not answer");
    EXPECT_LT(took, 0.1) << "while the server still has not answered, a start fails at once";

    // The hung server goes away: its waiting connection breaks and starts try afresh.
    silent.reset();
    std::string error;
    EXPECT_TRUE(test::pumpEventsUntil(
        [&] {
            error = tryStart(took);
            return error != "PulseAudio: the audio server does not answer";
        },
        2s));
    EXPECT_NE(error.find("Connection refused"), std::string::npos) << error;
    EXPECT_LT(took, 0.1);
    {
        // A working server at the same address plays again.
        PrivatePulse pulse;
        ASSERT_TRUE(pulse.ready()) << pulse.setupError();
        auto opened = decoder.open(tone.string());
        ASSERT_TRUE(opened.stream) << opened.error;
        Ending ending;
        auto start = engine.start(std::move(opened.stream), 1.0f, 0, ending.callback());
        EXPECT_TRUE(start.playback) << start.error;
        EXPECT_TRUE(test::pumpEventsUntil([&] { return ending.calls > 0; }, 5s));
    }
}

} // namespace
} // namespace corvale
