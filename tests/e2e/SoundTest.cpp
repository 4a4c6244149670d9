// The real corvale playing alerts into a private PulseAudio server: notifications are sent with
// notify-send on a private bus, and what the server's null sink plays is recorded from its
// monitor and measured.

#include "e2e/CorvaleTest.h"

#include "core/FileUrl.h"
#include "core/Uuid.h"
#include "support/DamagedAudio.h"
#include "support/HeldRelay.h"
#include "support/PrivatePulse.h"
#include "support/SignalLevels.h"
#include "support/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <regex>

using namespace corvale::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

constexpr int rate = PrivatePulse::rate;
// Anything above this in a recording is sound rather than the silent stream.
constexpr float audible = 0.01f;

std::size_t samplesIn(double seconds) {
    return static_cast<std::size_t>(seconds * rate);
}
double secondsOf(std::size_t samples) {
    return static_cast<double>(samples) / rate;
}

json builtin(const std::string& name) {
    return {{"type", "builtin"}, {"value", name}};
}
json file(const std::filesystem::path& path) {
    return {{"type", "file"}, {"value", corvale::FileUrl::fromPath(path.string()).str()}};
}

json rule(const std::string& app, json sound, double volume) {
    return {{"id", corvale::Uuid::random().str()},
            {"appBundleId", "org.example." + app},
            {"appDisplayName", app},
            {"enabled", true},
            {"sound", std::move(sound)},
            {"volume", volume}};
}

// The stretches of sound in a recording, split where it stays below threshold for minGap.
std::vector<Span> bursts(const std::vector<float>& samples, float threshold, double minGap) {
    std::vector<Span> found;
    const std::size_t gap = samplesIn(minGap);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) <= threshold) {
            continue;
        }
        if (found.empty() || i - found.back().end > gap) {
            found.push_back({i, i + 1});
        } else {
            found.back().end = i + 1;
        }
    }
    return found;
}

// Amplitude of the sine at frequency within samples[begin, begin + length) (Goertzel).
double toneAmplitude(const std::vector<float>& samples, std::size_t begin, std::size_t length,
                     double frequency) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double coefficient = 2 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    for (std::size_t i = begin; i < begin + length && i < samples.size(); ++i) {
        const double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(length);
}

// When the tone at frequency is heard at no less than half of amplitude: the middles of the first
// and the last 50 ms window (one every 10 ms) that hold it; none when it is never heard.
std::optional<std::pair<double, double>> toneTimes(const std::vector<float>& samples,
                                                   double frequency, double amplitude) {
    const std::size_t window = samplesIn(0.05);
    const std::size_t hop = samplesIn(0.01);
    std::optional<std::pair<double, double>> times;
    for (std::size_t at = 0; at + window <= samples.size(); at += hop) {
        if (toneAmplitude(samples, at, window, frequency) >= amplitude / 2) {
            const double middle = secondsOf(at + window / 2);
            times = times ? std::pair(times->first, middle) : std::pair(middle, middle);
        }
    }
    return times;
}

// The samples of one of our 16-bit mono tones, as shipped beside the corvale binary.
std::vector<float> shippedTone(const std::string& name) {
    const auto path = std::filesystem::path(CORVALE_BINARY).parent_path().parent_path() / "share" /
                      "corvale" / "sounds" / (name + ".wav");
    const std::string bytes = readFile(path);
    std::vector<float> samples;
    // RIFF header, then chunks of a four-letter id and a little-endian size.
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "data") == 0) {
            for (std::size_t i = at + 8; i + 2 <= std::min(bytes.size(), at + 8 + size); i += 2) {
                std::int16_t value = 0;
                std::memcpy(&value, bytes.data() + i, 2);
                samples.push_back(static_cast<float>(value) / 32768.0f);
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

// The span of a sound down to 40 dB under its own peak, so that its length does not depend on
// its level.
std::optional<Span> peakSpan(const std::vector<float>& samples) {
    return audibleSpan(samples, static_cast<float>(peak(samples) / 100));
}

struct Sound : CorvaleTest {
    std::unique_ptr<PrivatePulse> pulse;

    void startPulse() {
        pulse = std::make_unique<PrivatePulse>();
        ASSERT_TRUE(pulse->ready()) << pulse->setupError();
    }

    void writeRules(const std::vector<json>& rules) {
        writeFile(session.support / "rules.json", json{{"rules", rules}, {"version", 1}}.dump(2));
    }

    // Starts the notification server and corvale, talking to the private audio server if any.
    void startCorvale(std::map<std::string, std::optional<std::string>> environment = {}) {
        if (pulse) {
            environment.merge(pulse->clientEnvironment());
        }
        startBoth(environment);
    }

    void notify(const std::string& app, const std::string& title = "Ping") {
        ASSERT_EQ(session.run({"notify-send", "-a", app, title, "body"}).exitCode, 0);
    }

    // Waits for a line; without it the test stops, showing the log.
    void expectLine(const std::string& text, size_t times = 1,
                    std::chrono::milliseconds timeout = 5s) {
        ASSERT_TRUE(CorvaleSession::hasLine(*corvale, text, times, timeout));
    }

    static std::string played(const std::string& app, const std::string& sound,
                              const std::string& volume) {
        return "[action] app=\"" + app + "\" \u2192 rule \"" + app + "\": " + sound + " @ vol " +
               volume + " (engine)";
    }

    // Lets the recording run on until `seconds` more of it exist, so a sound that has just
    // started is in it whole.
    static void recordOn(PrivatePulse::Recording& recording, double seconds) {
        const double now = recording.seconds();
        ASSERT_TRUE(waitUntil([&] { return recording.seconds() >= now + seconds; }, 10s))
            << "the recorder stopped";
    }

    struct Tone {
        std::string app;
        double frequency, seconds, volume;
    };

    // Starts the audio server and corvale with one rule per app, each playing a tone of amplitude
    // 0.2 from the file named after the app in lower case.
    void startWithTones(const std::vector<Tone>& tones) {
        startPulse();
        std::vector<json> rules;
        for (const auto& tone : tones) {
            std::string name = tone.app + ".wav";
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            const auto path = session.home / name;
            EXPECT_TRUE(writeWav(path, sineTone(tone.frequency, 0.2, tone.seconds, rate), rate, 1));
            rules.push_back(rule(tone.app, file(path), tone.volume));
        }
        writeRules(rules);
        startCorvale();
    }
};

TEST_F(Sound, ruleVolumeSetsTheLevelOfTheBuiltinToneAndPlaysItWhole) {
    startPulse();
    writeRules({rule("Unity", builtin("Tink"), 1.0), rule("Loud", builtin("Tink"), 2.0),
                rule("Quiet", builtin("Tink"), 0.5)});
    startCorvale();
    PrivatePulse::Recording recording(*pulse);
    ASSERT_TRUE(recording.started());
    for (const auto& [app, volume] :
         {std::pair("Unity", "1.0"), {"Loud", "2.0"}, {"Quiet", "0.5"}}) {
        notify(app);
        expectLine(played(app, "builtin \"Tink\"", volume));
        // Tink lasts 0.4 s; a gap of silence follows before the next alert.
        recordOn(recording, 0.7);
    }
    const auto samples = recording.finish();

    const auto tink = shippedTone("Tink");
    const auto tinkSpan = peakSpan(tink);
    ASSERT_TRUE(tinkSpan) << "Tink.wav is missing or silent";
    const double tinkLevel = decibels(rms(tink, tinkSpan->begin, tinkSpan->end));

    const auto found = bursts(samples, audible / 4, 0.15);
    ASSERT_EQ(found.size(), 3u) << "one sound per alert, in three separate stretches";
    std::vector<double> levels;
    for (const auto& burst : found) {
        // With a margin, so that a quieter sound's faint tail is not cut off by the split.
        const auto from = burst.begin - std::min(burst.begin, samplesIn(0.1));
        const auto to = std::min(samples.size(), burst.end + samplesIn(0.1));
        const std::vector<float> part(samples.begin() + static_cast<std::ptrdiff_t>(from),
                                      samples.begin() + static_cast<std::ptrdiff_t>(to));
        const auto span = peakSpan(part);
        ASSERT_TRUE(span);
        EXPECT_NEAR(secondsOf(span->size()), secondsOf(tinkSpan->size()), 0.005)
            << "sound " << levels.size() << " was not played whole";
        levels.push_back(decibels(rms(part, span->begin, span->begin + tinkSpan->size())));
    }
    EXPECT_NEAR(levels[0], tinkLevel, 0.3) << "volume 1.0 plays the tone as it is";
    EXPECT_NEAR(levels[1] - levels[0], 6.02, 0.3) << "volume 2.0 against 1.0";
    EXPECT_NEAR(levels[2] - levels[0], -6.02, 0.3) << "volume 0.5 against 1.0";
    EXPECT_LT(peak(samples), 0.99) << "volume 2.0 of a tone peaking at 0.4 does not clip";
}

TEST_F(Sound, theFirstSoundAfterStartOrAServerRestartPlaysWholeAndAlone) {
    startWithTones({{"First", 440, 0.6, 1.0}, {"Second", 660, 0.3, 0.5}});
    for (std::size_t round = 1; round <= 2; ++round) {
        if (round == 2) {
            pulse->kill();
            ASSERT_TRUE(pulse->restart()) << pulse->setupError();
        }
        PrivatePulse::Recording recording(*pulse);
        ASSERT_TRUE(recording.started());
        notify("First");
        expectLine(played("First", "file first.wav", "1.0"), round, 10s);
        recordOn(recording, 1.0);
        notify("Second");
        expectLine(played("Second", "file second.wav", "0.5"), round);
        recordOn(recording, 0.8);
        const auto samples = recording.finish();
        const auto found = bursts(samples, audible, 0.15);
        ASSERT_EQ(found.size(), 2u) << "round " << round << ": one stretch of sound per alert";
        EXPECT_NEAR(secondsOf(found[0].size()), 0.6, 0.03) << "round " << round;
        EXPECT_NEAR(secondsOf(found[1].size()), 0.3, 0.03)
            << "round " << round << ": the second alert carries only its own sound";
        EXPECT_NEAR(decibels(rms(samples, found[1].begin, found[1].end) /
                             rms(samples, found[0].begin, found[0].end)),
                    -6.02, 0.5)
            << "round " << round << ": the second sound at its own level";
    }
}

TEST_F(Sound, twoAlertsInQuickSuccessionSoundTogether) {
    // Long tones, so the second alert lands inside the first however slowly it travels.
    startWithTones({{"Low", 440, 2.0, 1.0}, {"High", 660, 2.0, 1.0}});
    PrivatePulse::Recording recording(*pulse);
    ASSERT_TRUE(recording.started());

    notify("Low");
    // The second alert comes once the first sound has started.
    expectLine(played("Low", "file low.wav", "1.0"));
    notify("High");
    expectLine(played("High", "file high.wav", "1.0"));
    recordOn(recording, 2.2);
    const auto samples = recording.finish();

    const auto lowTimes = toneTimes(samples, 440, 0.2);
    const auto highTimes = toneTimes(samples, 660, 0.2);
    ASSERT_TRUE(lowTimes) << "the first alert was not heard";
    ASSERT_TRUE(highTimes) << "the second alert was not heard";
    EXPECT_NEAR(lowTimes->second - lowTimes->first, 1.95, 0.05) << "the first sound whole";
    EXPECT_NEAR(highTimes->second - highTimes->first, 1.95, 0.05) << "the second sound whole";
    EXPECT_GT(highTimes->first, lowTimes->first) << "the second sound starts when its alert comes";
    const double together = lowTimes->second - highTimes->first;
    EXPECT_GT(together, 0.35) << "both sounds are heard at once, neither cuts the other off";

    // In the middle of the overlap each tone is at its full level.
    const auto middle = samplesIn((highTimes->first + lowTimes->second) / 2 - 0.025);
    EXPECT_NEAR(toneAmplitude(samples, middle, samplesIn(0.05), 440), 0.2, 0.02);
    EXPECT_NEAR(toneAmplitude(samples, middle, samplesIn(0.05), 660), 0.2, 0.02);
}

TEST_F(Sound, aFileThatDoesNotDecodeIsReportedAndNothingPlays) {
    startPulse();
    const auto broken = session.home / "broken.m4a";
    ASSERT_TRUE(writeUndecodableM4a(broken));
    writeRules({rule("Broken", file(broken), 1.0), rule("Fine", builtin("Pop"), 1.0)});
    startCorvale();

    {
        PrivatePulse::Recording recording(*pulse);
        ASSERT_TRUE(recording.started());
        notify("Broken");
        expectLine(" - nothing played");
        recordOn(recording, 0.5);
        const auto samples = recording.finish();
        EXPECT_LT(peak(samples), audible) << "a file that does not decode plays nothing";
    }
    EXPECT_TRUE(std::regex_search(
        corvale->output(),
        std::regex(
            "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  \\[action\\] app=\"Broken\": could not play "
            "file " +
            std::regex_replace(broken.string(), std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&") +
            ": \\S.* - nothing played\n")))
        << corvale->output();
    EXPECT_EQ(CorvaleSession::count(*corvale, "engine play failed"), 0u)
        << "files do not fall back";

    // The same recording set-up hears the next good alert, so the silence above was real.
    PrivatePulse::Recording recording(*pulse);
    ASSERT_TRUE(recording.started());
    notify("Fine");
    expectLine(played("Fine", "builtin \"Pop\"", "1.0"));
    recordOn(recording, 0.5);
    EXPECT_GT(peak(recording.finish()), 0.2);
    EXPECT_TRUE(corvale->running());
}

TEST_F(Sound, withoutAnAudioServerTheBuiltinFallsBackAndDetectionGoesOn) {
    // No PrivatePulse: the session's audio server address leads nowhere.
    writeRules({rule("Mail", builtin("Tink"), 1.5)});
    startCorvale();

    notify("Mail", "first");
    expectLine("DETECTED #1 ");
    // Counted from the detection, so only Corvale's own work is timed: a refused connection is
    // not waited on as a silent server is (two seconds for each player).
    const auto detected = std::chrono::steady_clock::now();
    const std::string failed = "[action] app=\"Mail\": builtin \"Tink\" engine play failed (";
    expectLine(failed);
    const std::string fallback = "[action] app=\"Mail\": builtin \"Tink\" fallback could not play";
    expectLine(fallback);
    EXPECT_LT(std::chrono::steady_clock::now() - detected, 2s)
        << "a missing server is found out without waiting for an answer";
    const std::string out = corvale->output();
    const auto failedAt = out.find(failed);
    const auto lineEnd = out.find('\n', failedAt);
    EXPECT_TRUE(
        std::regex_match(out.substr(failedAt, lineEnd - failedAt),
                         std::regex(".*engine play failed \\(PulseAudio: [^)]+\\) - falling "
                                    "back to NSSound")))
        << out.substr(failedAt, lineEnd - failedAt);
    EXPECT_LT(failedAt, out.find(fallback)) << "the engine's failure comes before the fallback's";
    EXPECT_EQ(CorvaleSession::count(*corvale, "(NSSound fallback, capped 100%)"), 0u)
        << "a fallback that could not play must not be reported as played";

    notify("Mail", "second");
    expectLine("DETECTED #2 app=\"Mail\" title=\"second\"");
    expectLine(failed, 2);
    expectLine(fallback, 2);
    EXPECT_TRUE(corvale->running());
}

TEST_F(Sound, aHungAudioServerCostsOneWaitAndDetectionGoesOn) {
    // A server that takes the connection and never answers, as a stuck audio server does.
    HeldRelay hung(session.home / "hung-audio");
    ASSERT_TRUE(hung.ready());
    writeRules({rule("Mail", builtin("Tink"), 1.0)});
    startCorvale({{"PULSE_SERVER", hung.pulseAddress()}});

    const std::string failed = "[action] app=\"Mail\": builtin \"Tink\" engine play failed "
                               "(PulseAudio: the audio server does not answer) - falling back to "
                               "NSSound";
    const std::string fallback = "[action] app=\"Mail\": builtin \"Tink\" fallback could not play "
                                 "(libcanberra: the audio server does not answer) - nothing played";
    auto sent = std::chrono::steady_clock::now();
    notify("Mail", "first");
    expectLine(failed, 1, 10s);
    expectLine(fallback, 1, 10s);
    const auto firstTook = std::chrono::steady_clock::now() - sent;

    // Both players remember the server that did not answer: the next alert does not wait again.
    // Compared with the first alert, which waited for both players, so a slow machine slows both.
    sent = std::chrono::steady_clock::now();
    notify("Mail", "second");
    expectLine("DETECTED #2 app=\"Mail\" title=\"second\"");
    expectLine(fallback, 2, 10s);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, firstTook - 2s)
        << "the second alert waited for the silent server again";
    EXPECT_EQ(CorvaleSession::count(*corvale, failed), 2u);
    EXPECT_TRUE(corvale->running());
}

} // namespace
