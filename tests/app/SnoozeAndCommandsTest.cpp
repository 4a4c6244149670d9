#include "silence/CorvaleFocusFilter.h"
#include "support/AppHarness.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;
using namespace std::chrono_literals;

namespace {

struct Silence : ::testing::Test, AppHarness {
    void start() {
        create();
        launch();
        log.lines.clear();
    }
    std::optional<double> storedDeadline() {
        return preferences.doubleValue(prefkeys::snoozeDeadline);
    }
};

} // namespace

TEST_F(Silence, snoozeRunsToItsDeadlineAndIsStoredWhileItLasts) {
    preferences.set(prefkeys::snoozeDurationMinutes, std::int64_t{15});
    start();
    app->silence().snoozeHotKeyFired();
    EXPECT_TRUE(log.contains("[snooze] began - 15 min (sounds silenced until deadline)"));
    ASSERT_TRUE(app->silence().snoozeDeadline());
    EXPECT_EQ(storedDeadline(), secondsSince1970(*app->silence().snoozeDeadline()));

    scheduler.advance(15 * 60.0 - 1);
    EXPECT_TRUE(app->silence().snoozeDeadline());
    scheduler.advance(2.0);
    EXPECT_TRUE(log.contains("[snooze] expired - sounds resume"));
    EXPECT_FALSE(app->silence().snoozeDeadline());
    EXPECT_FALSE(storedDeadline());

    // The toggle: a second press ends a running snooze.
    app->silence().snoozeHotKeyFired();
    app->silence().snoozeHotKeyFired();
    EXPECT_TRUE(log.contains("[snooze] cancelled - sounds resume"));
    EXPECT_FALSE(app->silence().snoozeDeadline());
    scheduler.advance(3600.0);
    EXPECT_EQ(log.count("[snooze] expired"), 1u) << "a cancelled snooze's timer is gone";
}

TEST_F(Silence, snoozeSurvivesARelaunchAndAPassedOneIsCleared) {
    start();
    app->silence().applySoundCommand(SoundCommand::snooze(30));
    scheduler.advance(10 * 60.0);
    app.reset();
    log.lines.clear();

    create();
    log.lines.clear();
    launch();
    EXPECT_TRUE(log.contains("[snooze] resumed after relaunch - 20 min left"));
    scheduler.advance(20 * 60.0 + 1);
    EXPECT_TRUE(log.contains("[snooze] expired - sounds resume"));

    preferences.set(prefkeys::snoozeDeadline, secondsSince1970(scheduler.now() - 5s));
    app.reset();
    create();
    launch();
    EXPECT_TRUE(log.contains("[snooze] persisted deadline already passed - cleared"));
    EXPECT_FALSE(storedDeadline());
    EXPECT_FALSE(app->silence().snoozeDeadline());
}

TEST_F(Silence, soundCommandsArriveAsBroadcastsAndGarbageIsIgnored) {
    start();
    broadcast.post(broadcasts::soundCommand, "mute");
    broadcast.post(broadcasts::soundCommand, "mute");
    EXPECT_EQ(log.count("[intent] mute \u2192 play-sounds = false"), 2u)
        << "logged also when already muted";
    EXPECT_FALSE(app->prefs().soundsEnabled());

    broadcast.post(broadcasts::soundCommand, "snooze:5000");
    EXPECT_TRUE(log.contains("[intent] snooze 1440 min"));
    broadcast.post(broadcasts::soundCommand, "snooze:-5");
    EXPECT_TRUE(log.contains("[intent] snooze 1 min"));
    broadcast.post(broadcasts::soundCommand, "resume");
    EXPECT_TRUE(log.contains("[snooze] cancelled - sounds resume"));
    EXPECT_FALSE(app->prefs().soundsEnabled()) << "resume does not unmute";
    broadcast.post(broadcasts::soundCommand, "resume");
    EXPECT_TRUE(log.contains("[intent] resume - no active snooze"));
    broadcast.post(broadcasts::soundCommand, "unmute");
    EXPECT_TRUE(log.contains("[intent] unmute \u2192 play-sounds = true"));
    EXPECT_TRUE(app->prefs().soundsEnabled());

    size_t before = log.lines.size();
    for (const char* garbage :
         {"", "MUTE", "snooze:", "snooze:soon", "snooze:5:6", "mute ", "\xff\xfe"}) {
        broadcast.post(broadcasts::soundCommand, garbage);
    }
    EXPECT_EQ(log.lines.size(), before) << "texts that are no command are dropped silently";
}

TEST_F(Silence, resumeJustAfterTheDeadlineFindsNoSnoozeAndTheTimerStillEndsIt) {
    start();
    app->silence().applySoundCommand(SoundCommand::snooze(1));
    // The deadline has passed but the timer's step has not run: readers treat it as no snooze.
    app->silence().setSnooze(scheduler.now() - 1s);
    app->silence().applySoundCommand(SoundCommand::resume());
    EXPECT_TRUE(log.contains("[intent] resume - no active snooze"));
    scheduler.advance(61.0);
    EXPECT_TRUE(log.contains("[snooze] expired - sounds resume"));
}

TEST_F(Silence, muteSnoozeAndPlaySoundsOffStopTheSoundsAlreadyPlaying) {
    Rule slack = Rule::fallback();
    slack.appBundleId = "Slack";
    slack.appDisplayName = "Slack";
    seedRules({slack});
    tree.pid = 42;
    start();
    auto screen = tree.root(42);
    const std::vector<std::pair<std::string, std::function<void()>>> silencers = {
        {"muted", [&] { broadcast.post(broadcasts::soundCommand, "mute"); }},
        {"muted", [&] { app->silence().toggleSoundsFromHotKey(); }},
        {"snoozed", [&] { app->silence().snoozeHotKeyFired(); }},
        {"snoozed", [&] { broadcast.post(broadcasts::soundCommand, "snooze:5"); }},
        {"play sounds turned off", [&] { app->modelHooks().onSoundsEnabledChanged(false); }},
    };
    for (std::size_t i = 0; i < silencers.size(); ++i) {
        app->prefs().setSoundsEnabled(true);
        app->silence().setSnooze(std::nullopt);
        tree.addBanner(screen, "uuid-" + std::to_string(i), "Slack", "Ping", "");
        tree.notifyChange(42);
        ASSERT_EQ(engine.starts.size(), i + 1);
        EXPECT_EQ(engine.starts[i].limit, alertSoundSeconds) << "an alert plays 30 s at most";
        silencers[i].second();
        EXPECT_FALSE(*engine.starts[i].playing) << silencers[i].first;
        EXPECT_EQ(log.count("[action] stopped 1 playing sound(s) - " + silencers[i].first),
                  i == 0 || i == 2 || i == 4 ? 1u : 2u);
    }
    silencers[0].second();
    EXPECT_EQ(log.count("[action] stopped"), silencers.size()) << "nothing playing, no line";
}

TEST_F(Silence, focusFilterBroadcastsSetTheFlag) {
    start();
    broadcast.post(broadcasts::focusFilterChanged, "1");
    EXPECT_TRUE(app->silence().focusFilterSilencing());
    EXPECT_TRUE(log.contains("[focus-filter] silence=true (Focus Filter perform)"));
    broadcast.post(broadcasts::focusFilterChanged, "true");
    EXPECT_FALSE(app->silence().focusFilterSilencing()) << "only \"1\" silences";
    EXPECT_TRUE(log.contains("[focus-filter] silence=false (Focus Filter perform)"));
}

TEST_F(Silence, desktopDoNotDisturbActsAsTheFocusFilter) {
    start();
    // At start-up, "off" leaves a saved "focus on" alone; "on" turns it on.
    preferences.set(prefkeys::focusFilterSilencing, true);
    app->silence().applyFocusFilter(true);
    app->silence().desktopDoNotDisturbChanged(false, true);
    EXPECT_TRUE(app->silence().focusFilterSilencing());
    EXPECT_TRUE(systemLog.lines.empty());

    app->silence().desktopDoNotDisturbChanged(false, false);
    EXPECT_FALSE(app->silence().focusFilterSilencing());
    EXPECT_EQ(preferences.boolValue(prefkeys::focusFilterSilencing), false);
    EXPECT_EQ(systemLog.lines,
              (std::vector<std::string>{CorvaleFocusFilter::performMessage(false)}));

    app->silence().desktopDoNotDisturbChanged(true, true);
    EXPECT_TRUE(app->silence().focusFilterSilencing());

    EXPECT_TRUE(app->status().statusText() == StatusItemController::focusStatus);

    // A silence the desktop set ends at a start-up that finds do-not-disturb off; the user's own
    // stays, also when do-not-disturb came on over it.
    app->silence().desktopDoNotDisturbChanged(false, true);
    EXPECT_FALSE(app->silence().focusFilterSilencing()) << "the desktop's silence outlived it";
    EXPECT_FALSE(preferences.textValue(prefkeys::focusFilterSilencedBy));
    FocusFilterState::apply(true, preferences, broadcast);
    app->silence().desktopDoNotDisturbChanged(true, false);
    app->silence().desktopDoNotDisturbChanged(false, true);
    EXPECT_TRUE(app->silence().focusFilterSilencing()) << "the user's silence was lifted";

    app->prefs().setFollowDesktopDoNotDisturb(false);
    app->silence().desktopDoNotDisturbChanged(false, false);
    EXPECT_TRUE(app->silence().focusFilterSilencing()) << "following can be switched off";
}

TEST_F(Silence, startupLinesOfTheSilenceControls) {
    create();
    launch();
    EXPECT_TRUE(log.contains("[focus-filter] initial silence=false"));
    EXPECT_TRUE(log.contains("[hotkey] mute-all: none set"));
    EXPECT_TRUE(log.contains("[sounds] library: 1 built-in; play-sounds=true"));

    // A shortcut stored later is registered when its change is announced.
    HotKeyCombo optionCommandM{46, HotKeyModifiers::option | HotKeyModifiers::command};
    app->prefs().setMuteHotKeyCombo(optionCommandM);
    ASSERT_EQ(hotKeyService.registrations().size(), 1u);
    EXPECT_TRUE(hotKeyService.press(optionCommandM));
    scheduler.advance(0.01);
    EXPECT_TRUE(log.contains("[hotkey] mute-all fired \u2192 play-sounds = false"));
}
