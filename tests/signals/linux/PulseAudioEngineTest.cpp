#include "signals/linux/PulseAudioEngine.h"
#include "signals/linux/FfmpegAudioDecoder.h"

#include "signals/ActionRunner.h"
#include "support/FakeAudio.h"
#include "support/HeldRelay.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/SignalLevels.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <QThread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::PrivatePulse;
using SteadyClock = std::chrono::steady_clock;

constexpr int rate = PrivatePulse::rate;
// Anything above this in a recording is sound rather than the silent stream.
constexpr float audible = 0.01f;
const std::string noAnswer = "PulseAudio: the audio server does not answer";

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double seconds(std::size_t samples) {
    return static_cast<double>(samples) / rate;
}

// One playback asked of the engine and what it reported, each on the main thread or not.
struct Asked {
    std::unique_ptr<AudioPlayback> playback;
    std::optional<PlaybackStarted> started;
    int startCalls = 0;
    int endCalls = 0;
    std::string endError;
    bool allOnMainThread = true;
    SteadyClock::time_point askedAt;
    SteadyClock::time_point endedAt;
    double askTook = 0;

    bool onMainThread() const {
        return QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

std::unique_ptr<Asked> ask(AudioEngine& engine, const std::string& path, double offset = 0,
                           float gain = 1.0f, double limit = 0) {
    auto asked = std::make_unique<Asked>();
    auto* raw = asked.get();
    raw->askedAt = SteadyClock::now();
    raw->playback = engine.start(
        path, gain, offset, limit,
        [raw](const PlaybackStarted& result) {
            raw->started = result;
            ++raw->startCalls;
            raw->allOnMainThread = raw->allOnMainThread && raw->onMainThread();
        },
        [raw](const std::string& error) {
            ++raw->endCalls;
            raw->endError = error;
            raw->endedAt = SteadyClock::now();
            raw->allOnMainThread = raw->allOnMainThread && raw->onMainThread();
        });
    raw->askTook = secondsSince(raw->askedAt);
    return asked;
}

bool answered(Asked& asked, std::chrono::milliseconds timeout = 5s) {
    return test::pumpEventsUntil([&] { return asked.started.has_value(); }, timeout);
}

bool ended(Asked& asked) {
    return test::pumpEventsUntil([&] { return asked.endCalls > 0; }, 5s);
}

// A 0.3 s tone in dir, for the tests that bring their own server.
std::string shortToneIn(const test::TempDir& dir) {
    const auto path = dir / "tone.wav";
    EXPECT_TRUE(test::writeWav(path, test::sineTone(440, 0.25, 0.3, rate), rate, 1));
    return path.string();
}

// Where a decoder's reads wait until the test opens it. Shared, so a thread left waiting
// outlives the decoder.
struct Gate {
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool opened = false;
    int waiting = 0;

    void pass(std::chrono::seconds limit) {
        std::unique_lock lock(mutex);
        ++waiting;
        wake.wait_for(lock, limit, [&] { return opened; });
        --waiting;
    }
    void open() {
        {
            std::lock_guard lock(mutex);
            opened = true;
        }
        wake.notify_all();
    }
    int waitingNow() const {
        std::lock_guard lock(mutex);
        return waiting;
    }
};

// Decodes as FFmpeg does, but each file's reads after its first block wait until released (three
// seconds at most). The event thread decodes as the server asks for more, holding its lock: this
// holds it there.
class StallingDecoder : public AudioDecoder {
public:
    OpenedAudio open(const std::string& path) override {
        auto opened = real_.open(path);
        if (opened.stream) {
            opened.stream = std::make_unique<Stream>(std::move(opened.stream), gate_);
        }
        return opened;
    }
    bool stalled() const { return gate_->waitingNow() > 0; }
    void release() { gate_->open(); }

private:
    class Stream : public AudioStream {
    public:
        Stream(std::unique_ptr<AudioStream> real, std::shared_ptr<Gate> gate)
            : real_(std::move(real)), gate_(std::move(gate)) {}
        int sampleRate() const override { return real_->sampleRate(); }
        int channels() const override { return real_->channels(); }
        double duration() const override { return real_->duration(); }
        const std::string& error() const override { return real_->error(); }
        bool seek(double seconds) override { return real_->seek(seconds); }
        std::size_t read(float* out, std::size_t maxFrames) override {
            if (reads_++ > 0) {
                gate_->pass(3s);
            }
            return real_->read(out, maxFrames);
        }

    private:
        std::unique_ptr<AudioStream> real_;
        std::shared_ptr<Gate> gate_;
        int reads_ = 0;
    };

    FfmpegAudioDecoder real_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

// Decodes as FFmpeg does, but opening "hung.wav" waits until released, as a read from a stalled
// network share would.
class HangingDecoder : public AudioDecoder {
public:
    OpenedAudio open(const std::string& path) override {
        if (!path.ends_with("hung.wav")) {
            return real_.open(path);
        }
        auto gate = gate_;
        gate->pass(20s);
        return {nullptr, "released"};
    }
    int waiting() const { return gate_->waitingNow(); }
    ~HangingDecoder() override { gate_->open(); }

private:
    FfmpegAudioDecoder real_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

class PulseAudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pulse.ready()) << pulse.setupError(); }

    std::string writeTone(const std::string& name, double frequency, double amplitude,
                          double length, int toneRate = rate) {
        const auto path = dir / name;
        EXPECT_TRUE(test::writeWav(path, test::sineTone(frequency, amplitude, length, toneRate),
                                   toneRate, 1));
        return path.string();
    }

    // Lets the recording run on a little, so the end of what was played is in it.
    static std::vector<float> finishRecording(PrivatePulse::Recording& recording,
                                              double more = 0.25) {
        const double now = recording.seconds();
        test::pumpEventsUntil([&] { return recording.seconds() > now + more; }, 3s);
        return recording.finish();
    }

    test::TempDir dir;
    PrivatePulse pulse;
    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine{decoder};
};

TEST_F(PulseAudioEngineTest, playsASoundWholeAndReportsItsStartThenItsEndOnTheMainThread) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    auto asked = ask(engine, tone);
    EXPECT_TRUE(asked->playback->isPlaying()) << "a starting sound counts as playing";
    ASSERT_TRUE(answered(*asked)) << "no start result";
    EXPECT_TRUE(asked->started->error.empty()) << asked->started->error;
    EXPECT_NEAR(asked->started->duration, 0.5, 0.01);
    ASSERT_TRUE(ended(*asked)) << "the completion never came";
    EXPECT_GE(std::chrono::duration<double>(asked->endedAt - asked->askedAt).count(), 0.48)
        << "the completion must wait until the sound has been heard, not just handed over";
    EXPECT_TRUE(asked->endError.empty()) << asked->endError;
    EXPECT_TRUE(asked->allOnMainThread);
    EXPECT_FALSE(asked->playback->isPlaying());
    EXPECT_NEAR(asked->playback->position(), 0.5, 0.03) << "the position ends at the sound's end";

    const auto samples = finishRecording(recording);
    test::pumpEventsFor(100ms);
    EXPECT_EQ(asked->startCalls, 1);
    EXPECT_EQ(asked->endCalls, 1) << "the completion comes once";
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span) << "nothing was heard";
    EXPECT_NEAR(seconds(span->size()), 0.5, 0.03) << "the whole sound, head and tail, was played";
    EXPECT_NEAR(test::steadyLevel(samples, audible), test::decibels(0.25 / std::sqrt(2.0)), 0.3)
        << "a gain of 1 leaves the level as it is";
}

TEST_F(PulseAudioEngineTest, soundsAtOtherRatesOrVeryShortPlayAtTheirOwnLengthAndLevel) {
    // The stream is asked for before the file is read, at a guessed rate: the first time, a file
    // at another rate gets a stream of its own rate; the second time the rate is known.
    const auto slow = writeTone("slow.wav", 440, 0.25, 0.6, 22050);
    const auto blip = writeTone("blip.wav", 1000, 0.25, 0.02);
    for (const auto& [file, length] :
         {std::pair(slow, 0.6), std::pair(blip, 0.02), std::pair(slow, 0.6)}) {
        PrivatePulse::Recording recording(pulse);
        ASSERT_TRUE(recording.started());
        auto asked = ask(engine, file, 0, 0.5f);
        ASSERT_TRUE(ended(*asked)) << file;
        EXPECT_TRUE(asked->started && asked->started->error.empty()) << file;
        const auto samples = finishRecording(recording);
        const auto span = test::audibleSpan(samples, audible);
        ASSERT_TRUE(span) << file << " was not heard";
        EXPECT_NEAR(seconds(span->size()), length, length > 0.1 ? 0.03 : 0.008) << file;
        if (length > 0.1) {
            EXPECT_NEAR(test::steadyLevel(samples, audible), test::decibels(0.125 / std::sqrt(2.0)),
                        0.3)
                << "gain 0.5 at the file's own pitch and level";
        }
    }
}

TEST_F(PulseAudioEngineTest, aLimitCutsTheSoundWhichThenEndsAsIfHeardToItsEnd) {
    const auto tone = writeTone("long.wav", 440, 0.25, 3.0);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());
    auto asked = ask(engine, tone, 0.5, 1.0f, 0.4);
    ASSERT_TRUE(ended(*asked));
    EXPECT_TRUE(asked->endError.empty()) << asked->endError;
    EXPECT_NEAR(asked->started->duration, 3.0, 0.01) << "the file's own length";
    const auto span = test::audibleSpan(finishRecording(recording), audible);
    ASSERT_TRUE(span);
    EXPECT_NEAR(seconds(span->size()), 0.4, 0.03);
}

TEST_F(PulseAudioEngineTest, askingNeverWaitsForTheEventThreadWhileItDecodes) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    StallingDecoder stalling;
    PulseAudioEngine own(stalling);
    auto first = ask(own, tone);
    ASSERT_TRUE(test::pumpEventsUntil([&] { return stalling.stalled(); }, 5s))
        << "the event thread never decoded past the first block";

    auto second = ask(own, tone);
    EXPECT_LT(second->askTook, 0.05) << "the request is handed over, not waited for";
    test::pumpEventsFor(50ms);
    EXPECT_FALSE(second->started) << "no answer comes while the event thread is held";

    stalling.release();
    for (auto* asked : {first.get(), second.get()}) {
        ASSERT_TRUE(answered(*asked));
        EXPECT_TRUE(asked->started->error.empty()) << asked->started->error;
        EXPECT_TRUE(ended(*asked));
        EXPECT_TRUE(asked->endError.empty()) << asked->endError;
    }
}

TEST_F(PulseAudioEngineTest, aFileWithNothingToPlayFailsItsStartAsTheFilesFault) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.5);
    test::writeFile(dir / "text.wav", "not a sound at all");
    // A named pipe nobody writes to would hold the decoder thread, and every later sound, for good.
    ASSERT_EQ(mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    for (const auto& [path, offset] : {std::pair((dir / "pipe.wav").string(), 0.0),
                                       std::pair(tone, 2.0),
                                       {(dir / "text.wav").string(), 0.0},
                                       {(dir / "missing.wav").string(), 0.0}}) {
        auto asked = ask(engine, path, offset);
        ASSERT_TRUE(answered(*asked)) << path;
        EXPECT_FALSE(asked->started->error.empty()) << path;
        EXPECT_TRUE(asked->started->fileError) << path;
        EXPECT_FALSE(asked->playback->isPlaying());
        test::pumpEventsFor(50ms);
        EXPECT_EQ(asked->endCalls, 0) << "a failed start has no completion";
    }
    EXPECT_LT(test::peak(finishRecording(recording)), audible)
        << "a failed start must not make a sound";
}

TEST_F(PulseAudioEngineTest, aFileWhoseReadHangsHoldsNeitherLaterSoundsNorTheShutdown) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.3);
    const auto hung = (dir / "hung.wav").string();
    HangingDecoder hanging;
    auto own = std::make_unique<PulseAudioEngine>(hanging);
    auto first = ask(*own, hung);
    ASSERT_TRUE(test::pumpEventsUntil([&] { return hanging.waiting() == 1; }, 5s));
    // Past the decoder's patience, the next sound is taken up by a fresh thread.
    test::pumpEventsFor(1200ms);
    auto second = ask(*own, tone);
    ASSERT_TRUE(answered(*second));
    EXPECT_TRUE(second->started->error.empty()) << second->started->error;
    ASSERT_TRUE(answered(*first));
    EXPECT_TRUE(first->started->fileError);
    EXPECT_NE(first->started->error.find("stalled"), std::string::npos) << first->started->error;

    auto third = ask(*own, hung);
    ASSERT_TRUE(test::pumpEventsUntil([&] { return hanging.waiting() == 2; }, 5s));
    const auto quitting = SteadyClock::now();
    own.reset();
    EXPECT_LT(secondsSince(quitting), 5.0) << "the shutdown waited for a hung read";
}

// A notification may name any file as its own sound: none of these may hold the decoder thread,
// and each leaves the rule's own sound to play, through the real decoder and server.
TEST_F(PulseAudioEngineTest, hostileSoundFileHintsNeverBlockAndFallBackToTheRulesSound) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 0.2);
    const auto own = writeTone("own bell.wav", 880, 0.25, 0.2);
    test::writeFile(dir / "notes.wav", "these are notes, not sound\n");
    ASSERT_EQ(mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.wav");
    test::writeFile(dir / "huge.wav", "RIFF");
    std::filesystem::resize_file(dir / "huge.wav", 2LL << 30);
    test::ManualScheduler scheduler;
    test::FakeNamedSoundPlayer named;
    test::LogRecorder log;
    ActionRunner runner(engine, named, scheduler, {});
    runner.setLog(log.fn());
    Rule rule = Rule::fallback();
    rule.sound = SoundRef::file(FileUrl::fromPath(tone));
    rule.useAppSound = true;
    const std::string rulesSound = "file tone.wav @ vol 1.0 (engine)";

    ObservedNotification n;
    n.appName = "Mail";
    n.soundFile = FileUrl::fromPath(own).str();
    runner.run(rule, n);
    ASSERT_TRUE(test::pumpEventsUntil([&] { return !log.lines.empty(); }, 5s));
    EXPECT_TRUE(log.contains("app's own file own bell.wav @ vol 1.0")) << log.lines.back();

    for (const std::string& hint :
         {(dir / "pipe.wav").string(), "file://" + (dir / "pipe.wav").string(),
          std::string("/dev/zero"), (dir / "folder.wav").string(), (dir / "notes.wav").string(),
          (dir / "missing.wav").string(), (dir / "huge.wav").string()}) {
        log.lines.clear();
        n.soundFile = hint;
        const auto asked = SteadyClock::now();
        runner.run(rule, n);
        ASSERT_TRUE(test::pumpEventsUntil([&] { return log.contains(rulesSound); }, 5s)) << hint;
        EXPECT_LT(secondsSince(asked), 2.0) << hint;
        EXPECT_TRUE(log.contains(" could not play: ")) << hint;
        EXPECT_EQ(log.lines.size(), 2u) << hint << ": one line for the fallback, one for the sound";
    }
    EXPECT_TRUE(named.requests.empty());
}

TEST_F(PulseAudioEngineTest, startsAtAnOffsetFollowsThePositionAndStopsAtOnceEvenWhileStarting) {
    const auto tone = writeTone("long.wav", 440, 0.25, 2.0);
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    // Stopped before it could start: never heard, never answered.
    auto cancelled = ask(engine, tone);
    cancelled->playback->stop();

    auto asked = ask(engine, tone, 1.0);
    auto& playback = *asked->playback;
    EXPECT_DOUBLE_EQ(playback.position(), 1.0) << "a starting sound waits at its offset";
    ASSERT_TRUE(answered(*asked));
    ASSERT_TRUE(asked->started->error.empty()) << asked->started->error;
    const auto started = SteadyClock::now();
    // Moving at all is the deadline's business; a busy machine may only make it slower.
    ASSERT_TRUE(test::pumpEventsUntil([&] { return playback.position() >= 1.3; }, 10s))
        << "the position moves with the sound";
    EXPECT_GE(secondsSince(started), 0.2)
        << "the position follows what is heard, not what was sent";
    playback.stop();
    const double stoppedAt = playback.position();
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_GE(stoppedAt, 1.3);
    EXPECT_LT(stoppedAt, 1.5);

    test::pumpEventsFor(400ms);
    EXPECT_EQ(asked->endCalls, 0) << "no completion after stop";
    EXPECT_EQ(cancelled->startCalls, 0) << "no answer after stop";
    EXPECT_DOUBLE_EQ(playback.position(), stoppedAt) << "a stopped playback stays where it was";
    const auto samples = finishRecording(recording);
    const auto span = test::audibleSpan(samples, audible);
    ASSERT_TRUE(span);
    EXPECT_LT(seconds(span->size()), 0.7) << "stop cuts the rest off; the cancelled one is silent";
}

TEST_F(PulseAudioEngineTest, aServerThatDiesEndsThePlaybackAndTheNextSoundFindsItsSuccessor) {
    const auto longTone = writeTone("long.wav", 440, 0.25, 3.0);
    const auto shortTone = writeTone("short.wav", 660, 0.25, 0.3);

    auto broken = ask(engine, longTone);
    ASSERT_TRUE(answered(*broken));
    test::pumpEventsFor(200ms);
    pulse.kill();
    ASSERT_TRUE(test::pumpEventsUntil([&] { return broken->endCalls > 0; }, 3s))
        << "a vanished server must end the playback";
    EXPECT_FALSE(broken->endError.empty());
    EXPECT_FALSE(broken->playback->isPlaying());

    auto refused = ask(engine, shortTone);
    ASSERT_TRUE(answered(*refused, 1s)) << "a refused connection is reported at once";
    EXPECT_NE(refused->started->error.find("PulseAudio"), std::string::npos);
    EXPECT_FALSE(refused->started->fileError);

    ASSERT_TRUE(pulse.restart()) << pulse.setupError();
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());
    auto played = ask(engine, shortTone);
    ASSERT_TRUE(answered(*played));
    EXPECT_TRUE(played->started->error.empty())
        << "the restarted server is used: " << played->started->error;
    ASSERT_TRUE(ended(*played));
    EXPECT_TRUE(played->endError.empty()) << played->endError;
    EXPECT_GT(test::peak(finishRecording(recording)), 0.2);
}

TEST_F(PulseAudioEngineTest, shutdownSilencesEverythingAndDropsUndeliveredResults) {
    const auto tone = writeTone("tone.wav", 440, 0.25, 2.0);
    auto own = std::make_unique<PulseAudioEngine>(decoder);
    auto playing = ask(*own, tone);
    ASSERT_TRUE(answered(*playing));
    auto starting = ask(*own, tone);
    own->shutdown();
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());
    const auto samples = finishRecording(recording, 0.5);
    EXPECT_LT(test::peak(samples), audible) << "nothing plays on after the shutdown";
    EXPECT_EQ(starting->startCalls, 0);
    EXPECT_EQ(playing->endCalls, 0);
    EXPECT_FALSE(playing->playback->isPlaying());
    own.reset();
    playing->playback->stop();
    EXPECT_FALSE(starting->playback->isPlaying()) << "playbacks can still be asked afterwards";
}

TEST(PulseAudioEngineWithoutServer, refusesQuicklyWithoutBlocking) {
    test::TempDir dir;
    const auto tone = shortToneIn(dir);
    test::ScopedEnvironment env(
        {{"PULSE_SERVER", "unix:" + (dir / "no-server" / "native").string()}});

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine(decoder);
    auto asked = ask(engine, tone);
    EXPECT_LT(asked->askTook, 0.05) << "asking never waits";
    ASSERT_TRUE(answered(*asked, 1s));
    EXPECT_NE(asked->started->error.find("PulseAudio"), std::string::npos) << asked->started->error;
    test::pumpEventsFor(100ms);
    EXPECT_EQ(asked->endCalls, 0) << "a refused start has no completion";
}

TEST(PulseAudioEngineWithHungServer, failsAfterTwoSecondsWithoutBlockingAndNeverPlaysLate) {
    test::TempDir dir;
    PrivatePulse pulse;
    ASSERT_TRUE(pulse.ready()) << pulse.setupError();
    const auto tone = shortToneIn(dir);
    const std::string native = pulse.clientEnvironment().at("PULSE_SERVER")->substr(5);
    test::HeldRelay relay(dir / "held", native);
    ASSERT_TRUE(relay.ready());
    // The relay passes bytes, not the file descriptors of shared memory.
    test::writeFile(dir / "client.conf", "enable-shm = no\nenable-memfd = no\n");
    test::ScopedEnvironment env({{"PULSE_SERVER", relay.pulseAddress()},
                                 {"PULSE_CLIENTCONFIG", (dir / "client.conf").string()}});
    PrivatePulse::Recording recording(pulse);
    ASSERT_TRUE(recording.started());

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine(decoder);
    auto first = ask(engine, tone);
    EXPECT_LT(first->askTook, 0.05) << "asking never waits for the server";
    ASSERT_TRUE(answered(*first));
    const double took = std::chrono::duration<double>(SteadyClock::now() - first->askedAt).count();
    EXPECT_EQ(first->started->error, noAnswer);
    EXPECT_GT(took, 1.5) << "the start waits for the answer";
    EXPECT_LT(took, 3.0) << "but not for ever";

    auto second = ask(engine, tone);
    ASSERT_TRUE(answered(*second, 200ms)) << "a server known to hang fails the next start at once";
    EXPECT_EQ(second->started->error, noAnswer);

    // The server answers at last: the sounds that failed are not played late, the next one is.
    relay.release();
    test::pumpEventsFor(700ms);
    auto third = ask(engine, tone);
    ASSERT_TRUE(answered(*third));
    EXPECT_TRUE(third->started->error.empty()) << third->started->error;
    ASSERT_TRUE(ended(*third));
    const auto samples = recording.finish();
    const auto found = test::audibleSpan(samples, audible);
    ASSERT_TRUE(found) << "the third sound was not heard";
    EXPECT_NEAR(seconds(found->size()), 0.3, 0.03) << "one sound only, not the late ones too";
    EXPECT_EQ(first->startCalls + second->startCalls, 2) << "one answer each";
}

TEST(PulseAudioEngineWithHungServer, aHungServerThatGoesAwayIsReplacedByTheNextOne) {
    test::TempDir dir;
    const auto tone = shortToneIn(dir);
    auto silent = std::make_unique<test::HeldRelay>(dir / "hung");
    ASSERT_TRUE(silent->ready());
    test::ScopedEnvironment env({{"PULSE_SERVER", silent->pulseAddress()}});

    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine(decoder);
    auto first = ask(engine, tone);
    ASSERT_TRUE(answered(*first));
    EXPECT_EQ(first->started->error, noAnswer);

    silent.reset();
    std::unique_ptr<Asked> again;
    EXPECT_TRUE(test::pumpEventsUntil(
        [&] {
            again = ask(engine, tone);
            return answered(*again, 1s) && again->started->error != noAnswer;
        },
        3s));
    EXPECT_NE(again->started->error.find("PulseAudio"), std::string::npos);
    PrivatePulse pulse;
    ASSERT_TRUE(pulse.ready()) << pulse.setupError();
    auto played = ask(engine, tone);
    ASSERT_TRUE(answered(*played));
    EXPECT_TRUE(played->started->error.empty()) << played->started->error;
    EXPECT_TRUE(ended(*played));
}

} // namespace
} // namespace corvale
