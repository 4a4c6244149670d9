#include "signals/HeadStarts.h"
#include "signals/ActionRunner.h"

#include "support/FakeAudio.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

using namespace corvale;
using namespace corvale::test;

namespace {

// A runner that may take over sounds the bus thread started ahead, as the program wires it.
struct HeadStart : ::testing::Test {
    TempDir dir;
    ManualScheduler scheduler;
    FakeAudioEngine engine;
    FakeNamedSoundPlayer named;
    LogRecorder log;
    HeadStarts heads{engine};
    std::unique_ptr<ActionRunner> runner;
    std::string submarine;

    void SetUp() override {
        writeFile(dir / "ours" / "Submarine.wav", "");
        writeFile(dir / "ours" / "Glass.wav", "");
        submarine = (dir / "ours" / "Submarine.wav").string();
        engine.answerAtOnce = false;
        runner =
            std::make_unique<ActionRunner>(engine, named, scheduler, std::vector{dir / "ours"});
        runner->setLog(log.fn());
        runner->setHeadStarts(&heads);
    }

    // The main thread's dispatch of the notification: run, then done.
    void dispatch(const std::string& uuid, const std::string& sound = "Submarine",
                  double volume = 1.5) {
        Rule rule = Rule::fallback();
        rule.appDisplayName = "Mail";
        rule.sound = SoundRef::builtin(sound);
        rule.volume = volume;
        ObservedNotification n;
        n.uuid = uuid;
        n.appName = "Mail";
        runner->run(rule, n);
        runner->dispatched(uuid);
    }

    bool startAhead(const std::string& uuid, double volume = 1.5) {
        return heads.start(uuid, submarine, ActionRunner::gainFactor(volume),
                           ActionRunner::maxSoundSeconds);
    }

    bool playing(size_t i) const { return *engine.starts.at(i).playing; }
};

} // namespace

// The common case: the sound asked for ahead is the dispatch's own, even when the engine answered
// before the dispatch got there; one stream, one log line, and its end frees its place.
TEST_F(HeadStart, theDispatchTakesOverTheSoundStartedAhead) {
    ASSERT_TRUE(startAhead(":1.7#3"));
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_FLOAT_EQ(engine.starts[0].gain, ActionRunner::gainFactor(1.5));
    engine.answer(0);
    EXPECT_TRUE(log.lines.empty());

    dispatch(":1.7#3");
    EXPECT_EQ(engine.starts.size(), 1u) << "the sound was asked for twice";
    EXPECT_TRUE(playing(0));
    EXPECT_EQ(heads.waiting(), 0u);
    EXPECT_TRUE(log.contains("builtin \"Submarine\" @ vol 1.5 (engine)"));
    EXPECT_EQ(runner->playingCount(), 1u);
    engine.finish(0);
    EXPECT_EQ(runner->playingCount(), 0u);
    EXPECT_FALSE(startAhead(":1.7#3")) << "a banner dealt with started again";

    // Answered after the dispatch took it: the answer reaches the runner as usual.
    ASSERT_TRUE(startAhead(":1.7#4"));
    dispatch(":1.7#4");
    EXPECT_EQ(engine.starts.size(), 2u);
    engine.answer(1, "PulseAudio: connection refused");
    EXPECT_TRUE(log.contains("falling back to NSSound"));
}

// What the dispatch does not play is stopped when it is done, before it could be heard: another
// sound, no sound at all, or banners the reader passed over. A dispatch that comes first keeps a
// late start from playing a second sound.
TEST_F(HeadStart, whatTheDispatchDoesNotTakeIsStopped) {
    ASSERT_TRUE(startAhead("a"));
    dispatch("a", "Glass");
    ASSERT_EQ(engine.starts.size(), 2u);
    EXPECT_FALSE(playing(0)) << "the sound started ahead plays beside the rule's";
    EXPECT_TRUE(playing(1));

    ASSERT_TRUE(startAhead("b", 1.0));
    dispatch("b", "Submarine", 1.5);
    EXPECT_FALSE(playing(2)) << "a different volume is a different sound";

    ASSERT_TRUE(startAhead("muted"));
    runner->dispatched("muted");
    EXPECT_FALSE(playing(4));

    ASSERT_TRUE(startAhead("passed-over"));
    ASSERT_TRUE(startAhead("next"));
    dispatch("next");
    EXPECT_FALSE(playing(5));
    EXPECT_TRUE(playing(6));
    EXPECT_EQ(heads.waiting(), 0u);

    dispatch("main-first");
    EXPECT_FALSE(startAhead("main-first"));
    EXPECT_EQ(engine.starts.size(), 8u);
}

// A flood of calls never opens more streams ahead than the runner would play, and the registry is
// safe to fill from another thread while the main thread settles.
TEST_F(HeadStart, boundedAndSafeAcrossThreads) {
    for (int i = 0; i < 20; ++i) {
        startAhead("flood-" + std::to_string(i));
    }
    EXPECT_EQ(heads.waiting(), HeadStarts::maxWaiting);
    EXPECT_EQ(engine.starts.size(), HeadStarts::maxWaiting);
    runner->dispatched("flood-" + std::to_string(HeadStarts::maxWaiting - 1));
    EXPECT_EQ(heads.waiting(), 0u);
    EXPECT_EQ(engine.playingCount(), 0u);

    FakeAudioEngine quiet;
    quiet.answerAtOnce = false;
    HeadStarts shared(quiet);
    std::thread bus([&] {
        for (int i = 0; i < 2000; ++i) {
            shared.start("k" + std::to_string(i), "/s.wav", 1.0f, 30);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        shared.settle("k" + std::to_string(i));
    }
    bus.join();
    shared.settle("k1999");
    EXPECT_EQ(shared.waiting(), 0u);
}
