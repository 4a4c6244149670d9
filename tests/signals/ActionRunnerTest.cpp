#include "signals/ActionRunner.h"

#include "signals/SoundLibrary.h"
#include "support/FakeAudio.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;

namespace {

struct Runner : ::testing::Test {
    TempDir dir;
    ManualScheduler scheduler;
    FakeAudioEngine engine;
    FakeNamedSoundPlayer named;
    LogRecorder log;
    std::unique_ptr<ActionRunner> runner;

    void SetUp() override {
        writeFile(dir / "system" / "Glass.aiff", "");
        writeFile(dir / "system" / "notes.txt", "");
        writeFile(dir / "user" / "glass.wav", "");
        writeFile(dir / "ours" / "Submarine.wav", "");
        writeFile(dir / "ours" / "Ping.flac", "");
        runner = std::make_unique<ActionRunner>(
            engine, named, scheduler, std::vector{dir / "system", dir / "user", dir / "ours"});
        runner->setLog(log.fn());
    }

    void play(SoundRef sound, double volume = 1.0, const std::string& app = "Mail",
              const std::string& uuid = "n-1") {
        Rule rule = Rule::fallback();
        rule.appDisplayName = "Mail rule";
        rule.sound = std::move(sound);
        rule.volume = volume;
        ObservedNotification n;
        n.uuid = uuid;
        n.appName = app;
        runner->run(rule, n);
    }
};

} // namespace

// Volumes 0.5 to 2 and their log texts are the runner's tests below; these are the edges.
TEST(ActionRunnerMath, gainLawAndVolumeText) {
    EXPECT_EQ(ActionRunner::gainDecibels(-3.0), -96.0);
    EXPECT_EQ(ActionRunner::gainDecibels(1e-9), -96.0);
    EXPECT_EQ(ActionRunner::gainDecibels(100.0), 24.0);
    EXPECT_EQ(ActionRunner::volumeText(0.0), "0.0");
    EXPECT_EQ(ActionRunner::volumeText(0.75), "0.75");
    EXPECT_EQ(ActionRunner::volumeText(0.1), "0.1");
}

TEST_F(Runner, builtinNamesResolveFolderByFolderIgnoringCase) {
    play(SoundRef::builtin("glass"), 2.0);
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_EQ(engine.starts[0].path, (dir / "system" / "Glass.aiff").string())
        << "the first folder wins";
    EXPECT_NEAR(20 * std::log10(engine.starts[0].gain), 6.02, 0.01);
    EXPECT_EQ(
        log.lines.back(),
        "[action] app=\"Mail\" \u2192 rule \"Mail rule\": builtin \"glass\" @ vol 2.0 (engine)");

    play(SoundRef::builtin("Submarine"), 0.0);
    EXPECT_EQ(engine.starts.back().path, (dir / "ours" / "Submarine.wav").string());
    EXPECT_NEAR(engine.starts.back().gain, std::pow(10.0, -96.0 / 20.0), 1e-9)
        << "volume 0 is -96 dB, not silent";

    auto names = SoundLibrary::names({dir / "system", dir / "user", dir / "ours"});
    EXPECT_EQ(names, (std::vector<std::string>{"Glass", "Submarine"}))
        << "once each, flac and text left out";
}

TEST_F(Runner, engineFailureFallsBackCappedAndUnknownNamesPlaySubmarine) {
    engine.failWith = "PulseAudio: Connection refused";
    play(SoundRef::builtin("Glass"), 2.0);
    EXPECT_TRUE(log.contains(
        "[action] app=\"Mail\": builtin \"Glass\" engine play failed (PulseAudio: Connection "
        "refused) - falling back to NSSound"));
    named.known.insert("Glass");
    log.lines.clear();
    play(SoundRef::builtin("Glass"), 2.0);
    ASSERT_FALSE(named.played.empty());
    EXPECT_EQ(named.played.back(), (std::pair<std::string, double>{"Glass", 1.0}))
        << "capped at 100 %";
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\" \u2192 rule \"Mail rule\": builtin "
                                "\"Glass\" @ vol 2.0 (NSSound fallback, capped 100%)");

    // A name no folder holds goes straight to the fallback, which plays Submarine for an unknown
    // one.
    engine.failWith.clear();
    log.lines.clear();
    play(SoundRef::builtin("Nonesuch"), 0.5);
    EXPECT_EQ(named.played.back(), (std::pair<std::string, double>{"Submarine", 0.5}));
    EXPECT_FALSE(log.contains("engine play failed"));
    EXPECT_TRUE(log.contains("builtin \"Nonesuch\" @ vol 0.5 (NSSound fallback, capped 100%)"));

    named.known.clear();
    play(SoundRef::builtin("Nonesuch"));
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\": no sound named \"Nonesuch\" (and default "
                                "missing) - nothing played");

    named.known = {"Submarine"};
    named.failWith = "libcanberra: Not available";
    play(SoundRef::builtin("Nonesuch"));
    EXPECT_EQ(log.lines.back(),
              "[action] app=\"Mail\": builtin \"Nonesuch\" fallback could not play "
              "(libcanberra: Not available) - nothing played")
        << "a failure is never reported as played";
}

TEST_F(Runner, filesPlayWithoutFallbackAndSilentPlaysNothing) {
    auto good = dir / "My Sounds" / "bell.m4a";
    play(SoundRef::file(FileUrl::fromPath(good.string())), 1.5);
    EXPECT_EQ(log.lines.back(),
              "[action] app=\"Mail\" \u2192 rule \"Mail rule\": file bell.m4a @ vol 1.5 (engine)");

    auto bad = dir / "broken.mp3";
    engine.broken.insert(bad.string());
    play(SoundRef::file(FileUrl::fromPath(bad.string())));
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\": could not play file " + bad.string() +
                                    ": Invalid data found when processing input - nothing played");
    EXPECT_TRUE(named.played.empty()) << "no fallback for files";

    play(SoundRef::silent());
    EXPECT_EQ(log.lines.back(),
              "[action] app=\"Mail\" \u2192 rule \"Mail rule\": silent (nothing played)");
    EXPECT_EQ(engine.starts.size(), 2u) << "silent asks nothing of the engine";
}

TEST_F(Runner, playbacksEndByCompletionOrSafetyNetAndAreCappedAtEight) {
    engine.duration = 1.0;
    for (int i = 0; i < 8; ++i) {
        play(SoundRef::builtin("Glass"));
    }
    EXPECT_EQ(runner->playingCount(), 8u);
    play(SoundRef::builtin("Glass"), 1.0, "Flood");
    EXPECT_EQ(log.lines.back(), "[action] app=\"Flood\": 8 sounds already playing - skipped");
    EXPECT_EQ(engine.starts.size(), 8u);

    engine.finish(0);
    EXPECT_EQ(runner->playingCount(), 7u) << "the completion tears the playback down";
    play(SoundRef::builtin("Glass"));
    EXPECT_EQ(engine.starts.size(), 9u);

    // Playbacks whose completion never comes go at duration + 2 s.
    scheduler.advance(2.9);
    EXPECT_EQ(runner->playingCount(), 8u);
    scheduler.advance(0.2);
    EXPECT_EQ(runner->playingCount(), 0u);
    EXPECT_EQ(engine.playingCount(), 0u) << "torn-down playbacks are stopped";

    // A completion after the safety net, or after the runner is gone, does nothing.
    engine.finish(3);
    play(SoundRef::builtin("Glass"));
    runner.reset();
    engine.finish(9);
    scheduler.advance(5.0);
}

TEST_F(Runner, outcomesAreLoggedWhenThePlayersAnswerAndALateAnswerIsNeverHeard) {
    engine.answerAtOnce = false;
    named.answerAtOnce = false;
    play(SoundRef::builtin("Glass"), 1.0, "Mail", "a");
    play(SoundRef::builtin("Glass"), 1.0, "Chat", "b");
    EXPECT_TRUE(log.lines.empty()) << "nothing is known before the engine answers";
    EXPECT_EQ(runner->playingCount(), 2u) << "starting sounds take their places among the eight";

    engine.answer(1, "PulseAudio: Connection refused");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "[action] app=\"Chat\": builtin \"Glass\" engine play failed "
                            "(PulseAudio: Connection refused) - falling back to NSSound");
    ASSERT_EQ(named.requests.size(), 1u) << "the fallback is asked for when the failure arrives";
    named.known.insert("Glass");
    named.answer(0);
    EXPECT_EQ(log.lines.back(), "[action] app=\"Chat\" \u2192 rule \"Mail rule\": builtin "
                                "\"Glass\" @ vol 1.0 (NSSound fallback, capped 100%)");

    engine.answer(0);
    EXPECT_EQ(
        log.lines.back(),
        "[action] app=\"Mail\" \u2192 rule \"Mail rule\": builtin \"Glass\" @ vol 1.0 (engine)");
    EXPECT_EQ(runner->playingCount(), 2u);

    // A start without any answer is given up, cancelled and replaced by the fallback.
    log.lines.clear();
    play(SoundRef::builtin("Glass"), 1.0, "Slow", "c");
    scheduler.advance(std::chrono::duration<double>(ActionRunner::answerNet).count() + 0.01);
    EXPECT_FALSE(*engine.starts[2].playing) << "the unanswered start is cancelled";
    EXPECT_TRUE(log.contains("[action] app=\"Slow\": builtin \"Glass\" engine play failed ("));
    EXPECT_EQ(named.requests.size(), 2u);
    engine.answer(2);
    EXPECT_EQ(log.count("(engine)"), 0u) << "a late answer is not reported as played";
    EXPECT_FALSE(engine.starts[2].answered) << "nor heard besides the fallback";

    // A file's failure arrives late too, with the decoder's reason.
    auto bad = dir / "bad.mp3";
    engine.broken.insert(bad.string());
    play(SoundRef::file(FileUrl::fromPath(bad.string())), 1.0, "Files", "d");
    engine.answer(3, "Invalid data found when processing input");
    EXPECT_EQ(log.lines.back(), "[action] app=\"Files\": could not play file " + bad.string() +
                                    ": Invalid data found when processing input - nothing played");
    EXPECT_EQ(named.requests.size(), 2u) << "no fallback for files";
}

TEST_F(Runner, stopSoundForSilencesOnlyThatNotificationsSoundsInEveryState) {
    engine.answerAtOnce = false;
    named.answerAtOnce = false;
    play(SoundRef::builtin("Glass"), 1.0, "Mail", "refused");
    play(SoundRef::builtin("Glass"), 1.0, "Mail", "refused");
    play(SoundRef::builtin("Glass"), 1.0, "Chat", "kept");
    play(SoundRef::builtin("Nonesuch"), 1.0, "Mail", "refused");
    engine.answer(0);
    engine.answer(2);
    ASSERT_EQ(named.requests.size(), 1u);
    const size_t linesBefore = log.lines.size();

    runner->stopSoundFor("refused");
    EXPECT_FALSE(*engine.starts[0].playing) << "a playing sound is stopped";
    EXPECT_FALSE(*engine.starts[1].playing) << "a starting one is cancelled";
    EXPECT_FALSE(*named.requests[0].playing) << "a pending fallback is cancelled";
    EXPECT_TRUE(*engine.starts[2].playing) << "another notification's sound plays on";
    EXPECT_EQ(runner->playingCount(), 1u) << "the stopped sounds are torn down";
    EXPECT_EQ(log.lines.size(), linesBefore) << "the caller logs, not the runner";

    // Nothing of the stopped sounds comes back: no answer, no fallback, no line.
    engine.answer(1, "PulseAudio: Connection refused");
    named.answer(0);
    scheduler.advance(10.0);
    EXPECT_EQ(named.requests.size(), 1u);
    EXPECT_EQ(log.lines.size(), linesBefore);

    // An engine that fails after the stop of a fallback's notification: the fallback in flight
    // is stopped too, wherever it is in the chain.
    play(SoundRef::builtin("Glass"), 1.0, "Mail", "late");
    engine.answer(engine.starts.size() - 1, "PulseAudio: Connection refused");
    ASSERT_EQ(named.requests.size(), 2u);
    runner->stopSoundFor("late");
    EXPECT_FALSE(*named.requests[1].playing);
    EXPECT_EQ(runner->playingCount(), 0u);
}

TEST_F(Runner, soundsAddedOrRemovedWhileRunningAreNoticed) {
    play(SoundRef::builtin("Bell"));
    EXPECT_EQ(named.requests.back().name, "Submarine") << "unknown at first";
    const auto engineStarts = engine.starts.size();

    writeFile(dir / "user" / "Bell.ogg", "");
    play(SoundRef::builtin("bell"));
    ASSERT_EQ(engine.starts.size(), engineStarts + 1);
    EXPECT_EQ(engine.starts.back().path, (dir / "user" / "Bell.ogg").string());

    std::filesystem::remove(dir / "system" / "Glass.aiff");
    play(SoundRef::builtin("Glass"));
    EXPECT_EQ(engine.starts.back().path, (dir / "user" / "glass.wav").string())
        << "the next folder's file takes over";
}

TEST_F(Runner, anHourLongSoundHoldsItsPlaceForThirtySecondsAndStopAllFreesEveryPlace) {
    engine.duration = 3600;
    play(SoundRef::builtin("glass"));
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_EQ(engine.starts[0].limit, ActionRunner::maxSoundSeconds) << "the engine cuts it";
    scheduler.advance(ActionRunner::maxSoundSeconds + 2.5);
    EXPECT_EQ(runner->playingCount(), 0u) << "the place is free once the cut sound was heard";

    for (int i = 0; i < 3; ++i) {
        play(SoundRef::builtin("glass"));
    }
    runner->stopAll("muted");
    EXPECT_EQ(runner->playingCount(), 0u);
    EXPECT_EQ(engine.playingCount(), 0u);
    EXPECT_EQ(log.count("[action] stopped 3 playing sound(s) - muted"), 1u);
}

TEST_F(Runner, theAppsOwnSoundPlaysTheHintedFileOrNameElseTheRulesSound) {
    auto playHinted = [&](const std::string& file, const std::string& name) {
        Rule rule = Rule::fallback();
        rule.appDisplayName = "Mail rule";
        rule.sound = SoundRef::builtin("Glass");
        rule.volume = 1.5;
        rule.useAppSound = true;
        ObservedNotification n;
        n.uuid = "n-1";
        n.appName = "Mail";
        n.soundFile = file;
        n.soundName = name;
        runner->run(rule, n);
    };
    playHinted("file:///tmp/My%20Bell.oga", "bell");
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_EQ(engine.starts[0].path, "/tmp/My Bell.oga") << "decoded, and before the name";
    EXPECT_NEAR(20 * std::log10(engine.starts[0].gain), 3.52, 0.01) << "the rule's gain law";
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\" \u2192 rule \"Mail rule\": app's own file "
                                "My Bell.oga @ vol 1.5 (engine, sound-file hint)");

    named.known.insert("message-new-instant");
    playHinted("", "message-new-instant");
    EXPECT_EQ(named.played.back(), (std::pair<std::string, double>{"message-new-instant", 1.0}));
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\" \u2192 rule \"Mail rule\": app's own sound "
                                "\"message-new-instant\" @ vol 1.5 (sound-name hint, capped 100%)");

    // Whatever names no playable sound, or may not be played, leaves the rule's own sound.
    const auto glass = (dir / "system" / "Glass.aiff").string();
    engine.broken.insert("/tmp/notes.txt");
    const struct {
        std::string file, name, why;
    } cases[] = {
        {"", "", "the notification names no sound"},
        {"/tmp/notes.txt", "",
         "/tmp/notes.txt could not play: Invalid data found when processing input"},
        {"", "no-such-sound", "app's own sound \"no-such-sound\" not found"},
        {"sounds/bell.oga", "", "not an absolute path"},
        {"/usr/share/sounds/../../../etc/passwd", "", "\"..\" segment"},
        {"file://host/bell.oga", "", "no local file URL"},
        {"/tmp/a\nb.oga", "", "control characters"},
        {"", "../../bell", "no sound theme name"},
        {"", "bell\x1b[2J", "no sound theme name"},
        {"", std::string(AppSoundHint::maxNameBytes + 1, 'a'), "no sound theme name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        runner->stopAll("next case");
        log.lines.clear();
        playHinted(c.file, c.name);
        EXPECT_TRUE(log.contains(c.why + " - playing the rule's sound"));
        EXPECT_EQ(engine.starts.back().path, glass);
        EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\" \u2192 rule \"Mail rule\": builtin "
                                    "\"Glass\" @ vol 1.5 (engine)");
    }
}
