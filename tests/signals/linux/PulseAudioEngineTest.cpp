#include "signals/linux/PulseAudioEngine.h"
#include "signals/linux/FfmpegAudioDecoder.h"

#include "support/DamagedAudio.h"
#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/SignalLevels.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
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
std::size_t samplesIn(double seconds) {
    return static_cast<std::size_t>(seconds * rate);
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

    // Level of the steady middle of the sound in a recording, in dBFS RMS.
    static double steadyLevel(const std::vector<float>& samples) {
        const auto span = test::audibleSpan(samples, audible);
        if (!span) {
            return -200;
        }
        const std::size_t margin = span->size() / 10;
        return test::decibels(test::rms(samples, span->begin + margin, span->end - margin));
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
    EXPECT_NEAR(steadyLevel(samples), test::decibels(0.25 / std::sqrt(2.0)), 0.3)
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

TEST_F(PulseAudioEngineTest, gainChangesTheLevelByTwentyTimesItsLogarithm) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.4);
    auto levelAt = [&](float gain) {
        PrivatePulse::Recording recording(pulse);
        EXPECT_TRUE(recording.started());
        Ending ending;
        auto start = engine.start(open(tone), gain, 0, ending.callback());
        EXPECT_TRUE(start.playback) << start.error;
        EXPECT_TRUE(test::pumpEventsUntil([&] { return ending.calls > 0; }, 5s));
        return steadyLevel(finishRecording(recording));
    };
    const double unity = levelAt(1.0f);
    const double doubled = levelAt(2.0f);
    const double halved = levelAt(0.5f);
    EXPECT_NEAR(doubled - unity, 6.02, 0.3) << "gain 2.0";
    EXPECT_NEAR(halved - unity, -6.02, 0.3) << "gain 0.5";
}

TEST_F(PulseAudioEngineTest, soundsStartedInQuickSuccessionOverlap) {
    const auto low = writeTone("low.wav", 440, 0.2, 0.6);
    const auto high = writeTone("high.wav", 660, 0.2, 0.6);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    // Each completion tears its own playback down, as a player does.
    std::unique_ptr<AudioPlayback> first;
    std::unique_ptr<AudioPlayback> second;
    int finished = 0;
    auto start = engine.start(open(low), 1.0f, 0, [&](const std::string&) {
        ++finished;
        first.reset();
    });
    ASSERT_TRUE(start.playback) << start.error;
    first = std::move(start.playback);
    const auto begun = SteadyClock::now();
    test::pumpEventsUntil([&] { return secondsSince(begun) >= 0.3; }, 1s);
    start = engine.start(open(high), 1.0f, 0, [&](const std::string&) {
        ++finished;
        second.reset();
    });
    ASSERT_TRUE(start.playback) << start.error;
    second = std::move(start.playback);
    EXPECT_TRUE(first && first->isPlaying()) << "the first sound is not cut off by the second";

    ASSERT_TRUE(test::pumpEventsUntil([&] { return finished == 2; }, 5s));
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);

    const auto samples = finishRecording(recording);
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span);
    EXPECT_GT(seconds(span->size()), 0.85) << "0.6 s sounds 0.3 s apart span 0.9 s";
    EXPECT_LT(seconds(span->size()), 1.05) << "the second sound did not wait for the first";
    const auto window = [&](double from, double to) {
        return test::decibels(
            test::rms(samples, span->begin + samplesIn(from), span->begin + samplesIn(to)));
    };
    const double alone = window(0.05, 0.25);
    const double together = window(0.37, 0.53);
    EXPECT_NEAR(together - alone, 3.01, 0.8) << "two tones sounding at once add up in power";
    EXPECT_NEAR(window(0.67, 0.85), alone, 0.5) << "the second tone plays on alone";
}

TEST_F(PulseAudioEngineTest, soundThatDoesNotDecodeFailsToStartAndPlaysNothing) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    ASSERT_TRUE(test::writeUndecodableM4a(dir / "zeroed.m4a"));
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    // As a player starts a file: open it, then play the stream.
    auto opened = decoder.open((dir / "zeroed.m4a").string());
    EXPECT_FALSE(opened.stream) << "a file whose audio does not decode has nothing to play";
    EXPECT_FALSE(opened.error.empty());

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

    ASSERT_TRUE(test::pumpEventsUntil([&] { return playback.position() >= 1.3; }, 3s));
    const double elapsed = secondsSince(started);
    EXPECT_GE(elapsed, 0.28) << "the position follows what is heard, not what was sent";
    EXPECT_LT(elapsed, 0.8) << "the position moves with the sound";
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
    const char* saved = std::getenv("PULSE_SERVER");
    const std::string savedServer = saved ? saved : "";
    setenv("PULSE_SERVER", ("unix:" + (dir / "no-server" / "native").string()).c_str(), 1);

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine;
    auto opened = decoder.open(tone.string());
    ASSERT_TRUE(opened.stream) << opened.error;
    bool finished = false;
    const auto tried = SteadyClock::now();
    auto start = engine.start(std::move(opened.stream), 1.0f, 0,
                              [&](const std::string&) { finished = true; });
    const double took = secondsSince(tried);
    if (saved) {
        setenv("PULSE_SERVER", savedServer.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }

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
    const char* saved = std::getenv("PULSE_SERVER");
    const std::string savedServer = saved ? saved : "";
    setenv("PULSE_SERVER", silent->pulseAddress().c_str(), 1);

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
    if (saved) {
        setenv("PULSE_SERVER", savedServer.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }
}

} // namespace
} // namespace corvale
