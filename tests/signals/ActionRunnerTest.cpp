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
    FakeAudioDecoder decoder;
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
        runner =
            std::make_unique<ActionRunner>(decoder, engine, named, scheduler,
                                           std::vector{dir / "system", dir / "user", dir / "ours"});
        runner->setLog(log.fn());
    }

    void play(SoundRef sound, double volume = 1.0, const std::string& app = "Mail") {
        Rule rule = Rule::fallback();
        rule.appDisplayName = "Mail rule";
        rule.sound = std::move(sound);
        rule.volume = volume;
        ObservedNotification n;
        n.appName = app;
        runner->run(rule, n);
    }
};

} // namespace

TEST(ActionRunnerMath, gainLawAndVolumeText) {
    EXPECT_DOUBLE_EQ(ActionRunner::gainDecibels(1.0), 0.0);
    EXPECT_NEAR(ActionRunner::gainDecibels(2.0), 6.0206, 1e-4);
    EXPECT_NEAR(ActionRunner::gainDecibels(0.5), -6.0206, 1e-4);
    EXPECT_EQ(ActionRunner::gainDecibels(0.0), -96.0);
    EXPECT_EQ(ActionRunner::gainDecibels(-3.0), -96.0);
    EXPECT_EQ(ActionRunner::gainDecibels(1e-9), -96.0);
    EXPECT_EQ(ActionRunner::gainDecibels(100.0), 24.0);
    EXPECT_EQ(ActionRunner::volumeText(1.0), "1.0");
    EXPECT_EQ(ActionRunner::volumeText(0.0), "0.0");
    EXPECT_EQ(ActionRunner::volumeText(0.75), "0.75");
    EXPECT_EQ(ActionRunner::volumeText(2), "2.0");
    EXPECT_EQ(ActionRunner::volumeText(0.1), "0.1");
}

TEST_F(Runner, builtinNamesResolveFolderByFolderIgnoringCase) {
    play(SoundRef::builtin("glass"), 2.0);
    ASSERT_EQ(decoder.opened.size(), 1u);
    EXPECT_EQ(decoder.opened[0], (dir / "system" / "Glass.aiff").string())
        << "the first folder wins";
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_NEAR(20 * std::log10(engine.starts[0].gain), 6.02, 0.01);
    EXPECT_EQ(
        log.lines.back(),
        "[action] app=\"Mail\" \u2192 rule \"Mail rule\": builtin \"glass\" @ vol 2.0 (engine)");

    play(SoundRef::builtin("Submarine"), 0.0);
    EXPECT_EQ(decoder.opened.back(), (dir / "ours" / "Submarine.wav").string());
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
    decoder.broken.insert(bad.string());
    play(SoundRef::file(FileUrl::fromPath(bad.string())));
    EXPECT_EQ(log.lines.back(), "[action] app=\"Mail\": could not play file " + bad.string() +
                                    ": Invalid data found when processing input - nothing played");
    EXPECT_TRUE(named.played.empty()) << "no fallback for files";

    play(SoundRef::silent());
    EXPECT_EQ(log.lines.back(),
              "[action] app=\"Mail\" \u2192 rule \"Mail rule\": silent (nothing played)");
    EXPECT_EQ(engine.starts.size(), 1u);
}

TEST_F(Runner, playbacksEndByCompletionOrSafetyNetAndAreCappedAtEight) {
    decoder.duration = 1.0;
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
