#include "history/UnreadTally.h"
#include "support/AppHarness.h"
#include "support/FakeOverlayHost.h"
#include "support/RecordingStatusButton.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace corvale;
using namespace corvale::test;

namespace {

struct Dispatch : ::testing::Test, AppHarness {
    RecordingStatusButton button;
    FakeOverlayHost overlays{scheduler};
    std::optional<ScreenFlash> flash;
    long detected = 0;

    void start() {
        create();
        app->status().setButton(&button);
        flash.emplace(scheduler, overlays, [this] { return app->flashDefaults(); });
        app->setScreenFlash(&*flash);
    }

    ObservedNotification note(const std::string& appName, const std::string& title,
                              const std::string& body = "") {
        ObservedNotification n;
        n.uuid = "u" + std::to_string(++detected);
        n.appName = appName;
        n.title = title;
        n.body = body;
        n.kind = ObservedNotification::Kind::single;
        n.timestamp = scheduler.now();
        return n;
    }

    // The one overlay shown: its colour, style and name, and the peak its first pulse fades to.
    void expectOneFlash(const char* hex, FlashStyle style, const std::string& name, double peak) {
        ASSERT_EQ(overlays.created.size(), 1u);
        EXPECT_EQ(overlays.created[0]->content.fill.hexString(), hex);
        EXPECT_EQ(overlays.created[0]->content.style, style);
        EXPECT_EQ(overlays.created[0]->content.name, name);
        ASSERT_FALSE(overlays.animations.empty());
        EXPECT_EQ(overlays.animations[0].target, peak);
    }

    static size_t reloadedRuleCount(const std::filesystem::path& file) {
        return nlohmann::json::parse(readFile(file))["rules"].size();
    }

    // Slack's rule in use and the program attached to a notification server showing `screen`.
    BannerElement launchWithSlackOnScreen() {
        tree.pid = 42;
        auto screen = tree.root(42);
        seedRules({slackRule()});
        start();
        launch();
        return screen;
    }

    Rule slackRule() {
        Rule rule = Rule::fallback();
        rule.appBundleId = "Slack";
        rule.appDisplayName = "Slack";
        rule.flashMenuBar = true;
        rule.flashScreen = true;
        rule.flashColor = FlashColor::fromHex("#E53935");
        rule.flashStyle = FlashStyle::edgeTop;
        rule.flashIntensity = FlashIntensity::gentle;
        rule.respectFocus = false;
        return rule;
    }
};

} // namespace

TEST_F(Dispatch, bannerFromTheReaderIsLoggedRecordedSignalledAndPlayed) {
    auto screen = launchWithSlackOnScreen();
    log.lines.clear();
    bool savedBeforeSound = false;
    engine.onStart = [&] { savedBeforeSound = app->observedAppsStore().contains("slack"); };
    tree.addBanner(screen, "uuid-1", "Slack", "Deploy done", "all green");
    tree.notifyChange(42);

    EXPECT_TRUE(log.contains("DETECTED #1 app=\"Slack\" title=\"Deploy done\" subtitle=\"\" "
                             "body=\"all green\" kind=single uuid=uuid-1"));
    EXPECT_TRUE(app->status().isBlinking());
    // The rule's gentle intensity: the edge peak.
    expectOneFlash("#E53935", FlashStyle::edgeTop, "Slack", 0.6);
    EXPECT_EQ(engine.starts.size(), 1u);
    EXPECT_TRUE(log.contains(
        "[action] app=\"Slack\" \u2192 rule \"Slack\": builtin \"Submarine\" @ vol 1.0 (engine)"));
    EXPECT_EQ(button.badge(), "1") << "the unread badge shows the new alert";
    ASSERT_EQ(app->pingLogStore().records().size(), 1u);
    EXPECT_FALSE(app->pingLogStore().records()[0].preview) << "previews are off by default";
    EXPECT_TRUE(app->seenApps().contains("Slack"));
    EXPECT_TRUE(app->observedAppsStore().contains("slack"));
    EXPECT_FALSE(savedBeforeSound) << "a new app's file write never delays its first sound";

    // The reader outliving the application object must not call into it.
    app.reset();
    tree.addBanner(screen, "uuid-2", "Slack", "again", "");
    tree.notifyChange(42);
    EXPECT_EQ(engine.starts.size(), 1u);
}

// The bus thread's head start in the whole application: the banner's reading waits for the
// engine's answer (or headStartWait), and the alert then plays the sound already started, with
// the same log line and signals; while muted, nothing starts ahead.
TEST_F(Dispatch, theSoundStartedAheadIsTheAlertsOwn) {
    auto screen = launchWithSlackOnScreen();
    engine.answerAtOnce = false;
    log.lines.clear();
    ObservedNotification seen = note("Slack", "Deploy done");
    seen.uuid = "uuid-1";
    ASSERT_TRUE(app->headStart().seen(seen));
    ASSERT_EQ(engine.starts.size(), 1u);
    int resumed = 0;
    ASSERT_TRUE(app->holdForHeadStart("uuid-1", [&] { ++resumed; }));
    engine.answer(0);
    EXPECT_EQ(resumed, 1) << "the reading goes on once the sound has started";
    scheduler.advance(AppDelegate::headStartWait);
    EXPECT_EQ(resumed, 1);

    tree.addBanner(screen, "uuid-1", "Slack", "Deploy done", "");
    tree.notifyChange(42);
    EXPECT_EQ(engine.starts.size(), 1u) << "the alert asked for its sound a second time";
    EXPECT_TRUE(log.contains(
        "[action] app=\"Slack\" \u2192 rule \"Slack\": builtin \"Submarine\" @ vol 1.0 (engine)"));
    EXPECT_TRUE(app->status().isBlinking());
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);

    // A server that never answers holds the reading for headStartWait at most.
    seen.uuid = "uuid-2";
    ASSERT_TRUE(app->headStart().seen(seen));
    ASSERT_TRUE(app->holdForHeadStart("uuid-2", [&] { ++resumed; }));
    scheduler.advance(AppDelegate::headStartWait);
    EXPECT_EQ(resumed, 2);

    app->prefs().setSoundsEnabled(false);
    app->updateStatus();
    seen.uuid = "uuid-3";
    EXPECT_FALSE(app->headStart().seen(seen));
    EXPECT_FALSE(app->holdForHeadStart("uuid-3", [&] { ++resumed; }));
}

TEST_F(Dispatch, anAlertTheServerRefusedIsTakenBackWithoutTouchingOthers) {
    auto screen = launchWithSlackOnScreen();
    tree.addBanner(screen, "kept", "Slack", "first", "");
    tree.notifyChange(42);
    scheduler.advance(2.0);
    ASSERT_FALSE(app->status().isBlinking());
    tree.addBanner(screen, "refused", "Slack", "second", "");
    tree.notifyChange(42);
    ASSERT_TRUE(app->status().isBlinking());
    ASSERT_EQ(app->pingLogStore().records().size(), 2u);
    EXPECT_EQ(button.badge(), "2");
    ASSERT_EQ(engine.playingCount(), 2u);

    tree.refuse("refused");
    EXPECT_EQ(engine.playingCount(), 1u) << "its sound stops; the other alert's plays on";
    EXPECT_FALSE(app->status().isBlinking()) << "the blink ends at once";
    EXPECT_EQ(button.opacities.back(), 1.0);
    EXPECT_EQ(button.tints.back(), std::nullopt);
    EXPECT_EQ(overlays.windowsOnScreen(), 0u) << "the flash goes at once";
    ASSERT_EQ(app->pingLogStore().records().size(), 1u);
    EXPECT_LT(app->pingLogStore().records()[0].timestamp, scheduler.now() - std::chrono::seconds(1))
        << "the first alert's record stays";
    EXPECT_EQ(button.badge(), "1") << "the unread count drops with the record";
    EXPECT_EQ(log.count("[refused] app=\"Slack\" uuid=refused"), 1u);
    auto reloaded = PingLogStore(PingLogStore::defaultFileURL(dir / "Corvale"), {});
    reloaded.load();
    EXPECT_EQ(reloaded.records().size(), 1u) << "the file no longer holds it";

    // Refusing an older alert leaves the newer alert's blink and flash running.
    tree.addBanner(screen, "newest", "Slack", "third", "");
    tree.notifyChange(42);
    tree.refuse("kept");
    EXPECT_TRUE(app->status().isBlinking());
    EXPECT_GT(overlays.windowsOnScreen(), 0u);
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);

    // Refusals of banners that made no alert, or twice, change nothing.
    tree.refuse("refused");
    tree.refuse("never-seen");
    EXPECT_EQ(log.count("[refused]"), 2u);
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);
}

TEST_F(Dispatch, noMatchingRuleStopsBeforeHistoryAndSignals) {
    Rule fallback = Rule::fallback();
    fallback.enabled = false;
    seedRules({fallback});
    start();
    app->handle(note("Mail", "hi"));
    EXPECT_TRUE(log.contains("[match] app=\"Mail\" \u2192 no matching rule (nothing played)"));
    EXPECT_TRUE(overlays.created.empty());
    EXPECT_FALSE(app->status().isBlinking());
    EXPECT_TRUE(engine.starts.empty());
    EXPECT_TRUE(app->pingLogStore().records().empty());
    EXPECT_TRUE(app->observedAppsStore().contains("Mail")) << "the app is seen before matching";
}

TEST_F(Dispatch, focusGateSilencesOnlyRulesThatRespectFocus) {
    preferences.set(prefkeys::focusFilterSilencing, true);
    seedRules({slackRule()}); // respectFocus false
    start();
    EXPECT_TRUE(app->silence().focusFilterSilencing()) << "read from the preferences at creation";

    app->handle(note("Mail", "hi")); // default rule respects Focus
    EXPECT_TRUE(log.contains(
        "[focus] suppressed app=\"Mail\" - Focus active + rule \"All other apps\" respects "
        "it (no sound/flash)"));
    EXPECT_TRUE(app->pingLogStore().records().empty());
    EXPECT_TRUE(overlays.created.empty());
    EXPECT_TRUE(engine.starts.empty());

    log.lines.clear();
    app->handle(note("Slack", "ship it"));
    EXPECT_TRUE(log.contains("[focus] Focus Filter active - silencing rules that respect Focus"));
    EXPECT_FALSE(log.contains("suppressed"));
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);
    EXPECT_EQ(engine.starts.size(), 1u);
}

TEST_F(Dispatch, muteSnoozeAndTheAppsOwnSoundSilenceOnlyTheSound) {
    Rule slack = slackRule();
    slack.respectSuppressSound = true;
    seedRules({slack});
    start();
    launch();
    preferences.set(prefkeys::soundsEnabled, false);
    app->handle(note("Slack", "one"));
    EXPECT_TRUE(log.contains("[muted] sounds off - skipped app=\"Slack\""));
    EXPECT_TRUE(app->status().isBlinking()) << "blink and flash still fire";
    EXPECT_EQ(overlays.created.size(), 1u);
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);
    EXPECT_TRUE(engine.starts.empty());

    preferences.set(prefkeys::soundsEnabled, true);
    app->silence().setSnooze(scheduler.now() + std::chrono::minutes(5));
    app->handle(note("Slack", "two"));
    EXPECT_TRUE(log.contains("[snooze] active - skipped app=\"Slack\""));
    EXPECT_TRUE(engine.starts.empty());

    scheduler.advance(301.0);
    app->handle(note("Slack", "three"));
    EXPECT_EQ(engine.starts.size(), 1u) << "a passed deadline does not silence";

    // The app plays its own sound: Slack's rule honours that, the default rule does not.
    scheduler.advance(60.0);
    const auto flashes = overlays.created.size();
    auto own = note("Slack", "four");
    own.suppressSound = true;
    app->handle(own);
    EXPECT_EQ(engine.starts.size(), 1u);
    EXPECT_EQ(log.lines.back(), "[action] app=\"Slack\" \u2192 rule \"Slack\": sound skipped - "
                                "the app asked for no sound (suppress-sound)");
    EXPECT_EQ(app->pingLogStore().records().size(), 4u);
    EXPECT_TRUE(app->status().isBlinking());
    EXPECT_GT(overlays.created.size(), flashes);
    auto mail = note("Mail", "five");
    mail.suppressSound = true;
    app->handle(mail);
    EXPECT_EQ(engine.starts.size(), 2u) << "without the option the rule's sound plays";
    EXPECT_EQ(app->configModel()->appsPlayingTheirOwnSound(), std::vector<std::string>{"Mail"})
        << "suggested only where the rule does not honour it yet";
}

TEST_F(Dispatch, theOtherSignalsWaitForTheSoundToBeOnItsWayAndTheGatesStillHoldIt) {
    seedRules({slackRule()});
    start();
    engine.answerAtOnce = false;
    auto shown = [&] {
        return std::tuple(app->pingLogStore().records().size(), app->status().isBlinking(),
                          overlays.created.size(), button.badge());
    };
    // The audio server sets up the stream while the history waits to be written and the tray
    // to be redrawn; they follow the engine's answer.
    app->handle(note("Slack", "one"));
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_EQ(shown(), std::tuple(0u, false, 0u, std::string()));
    engine.answer(0);
    EXPECT_EQ(shown(), std::tuple(1u, true, 1u, std::string("1")));

    // An audio server that does not answer holds them back only a moment.
    app->handle(note("Slack", "two"));
    scheduler.advance(0.029);
    EXPECT_EQ(app->pingLogStore().records().size(), 1u);
    scheduler.advance(0.002);
    EXPECT_EQ(app->pingLogStore().records().size(), 2u);
    engine.answer(1);
    EXPECT_EQ(app->pingLogStore().records().size(), 2u) << "shown once";

    // Refused before they were shown, they never are; its sound stops.
    app->handle(note("Slack", "three"));
    app->withdrawAlert("u3");
    engine.answer(2);
    scheduler.advance(1.0);
    EXPECT_EQ(app->pingLogStore().records().size(), 2u);
    EXPECT_EQ(log.count("[refused] app=\"Slack\" uuid=u3"), 1u);
    EXPECT_FALSE(*engine.starts[2].playing);
    engine.answerAtOnce = true;

    // Asked for first, the sound is still held back by mute and snooze, whose lines close the
    // alert's lines as before.
    preferences.set(prefkeys::soundsEnabled, false);
    app->handle(note("Slack", "two"));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.back(), "[muted] sounds off - skipped app=\"Slack\"");
    preferences.set(prefkeys::soundsEnabled, true);
    app->silence().setSnooze(scheduler.now() + std::chrono::minutes(5));
    app->handle(note("Slack", "three"));
    EXPECT_EQ(log.lines.back(), "[snooze] active - skipped app=\"Slack\"");
    EXPECT_EQ(engine.starts.size(), 3u);
    EXPECT_EQ(app->pingLogStore().records().size(), 4u) << "muted and snoozed alerts are recorded";
}

TEST_F(Dispatch, previewIsRecordedOnlyWhenTheUserAskedForIt) {
    preferences.set(prefkeys::pingHistoryIncludePreview, true);
    start();
    app->handle(note("Slack", "  ", "line one\nline two"));
    ASSERT_EQ(app->pingLogStore().records().size(), 1u);
    EXPECT_EQ(app->pingLogStore().records()[0].preview, "line one line two");
}

TEST_F(Dispatch, seenAppsAreCappedByDroppingTheEarliest) {
    start();
    for (size_t i = 0; i < AlertDispatch::seenAppsCap + 5; ++i) {
        app->handle(note("App " + std::to_string(i), "x"));
    }
    app->handle(note("App 7", "again"));
    EXPECT_EQ(app->seenApps().size(), AlertDispatch::seenAppsCap);
    EXPECT_FALSE(app->seenApps().contains("App 4")) << "the earliest made room";
    EXPECT_TRUE(app->seenApps().contains("App 5"));
    EXPECT_TRUE(app->seenApps().contains("App 1004"));
    EXPECT_EQ(log.count("apps seen this run - dropping the earliest to make room"), 1u);
}

TEST_F(Dispatch, startupLinesAndFirstRunUnreadSeed) {
    seedAlert("Slack", scheduler.now());
    seedAlert("Mail", scheduler.now() + std::chrono::nanoseconds(5'123'456'789));
    start();
    launch();
    EXPECT_TRUE(log.contains("[start] Corvale. AXIsProcessTrusted=true"));
    EXPECT_FALSE(log.contains("[perm]"));
    EXPECT_TRUE(
        log.contains("[rules] 1 rule(s) active at " + (dir / "Corvale" / "rules.json").string()));
    EXPECT_TRUE(log.contains("[unread] first-run seed: marked 2 pre-existing alert(s) as seen"));
    auto mark = app->prefs().pingHistorySeenThrough();
    ASSERT_TRUE(mark);
    EXPECT_EQ(UnreadTally::count(app->pingLogStore().records(), mark), 0)
        << "the newest alert is read once marked, whatever its sub-second part";

    log.lines.clear();
    launch();
    EXPECT_FALSE(log.contains("[unread]")) << "seeded only once";
}

TEST_F(Dispatch, withoutTrustTheStartUpSaysSoAndAttachesLater) {
    tree.trusted = false;
    tree.pid = 7;
    tree.root(7);
    start();
    launch();
    EXPECT_TRUE(log.contains("[start] Corvale. AXIsProcessTrusted=false"));
    EXPECT_TRUE(log.contains(
        "[perm] Accessibility not granted - prompted; will attach automatically once granted."));
    EXPECT_FALSE(app->observer().isAttached());
    auto hooks = app->modelHooks();
    EXPECT_FALSE(hooks.onRestoreAccess()) << "asked again, the bus still refuses";
    EXPECT_TRUE(log.contains("[access] restore requested, AXIsProcessTrusted=false"));
    tree.trusted = true;
    scheduler.advance(2.0);
    EXPECT_TRUE(app->observer().isAttached());
    EXPECT_TRUE(hooks.onRestoreAccess());
}

// A hand edit of the rules applies once the editor's writes have settled; a broken edit changes
// nothing on disk or in use, and our own saves are not read back as edits.
TEST_F(Dispatch, handEditedRulesAreReloadedAndABrokenEditKeepsTheRulesInUse) {
    start();
    launch();
    const auto file = app->ruleStore().fileURL();
    auto rulesOnDisk = [&](const std::vector<Rule>& rules) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& rule : rules) {
            list.push_back(toJson(rule));
        }
        writeFile(file, nlohmann::json{{"rules", list}, {"version", 1}}.dump());
    };

    rulesOnDisk({Rule::fallback(), slackRule()});
    for (int write = 0; write < 3; ++write) {
        app->rulesFileChanged();
        scheduler.advance(Millis(200));
    }
    EXPECT_EQ(app->ruleStore().rules().size(), 1u) << "not before the writes settle";
    scheduler.advance(Millis(100));
    ASSERT_EQ(app->ruleStore().rules().size(), 2u);
    EXPECT_EQ(log.count("[rules] reloaded 2 rule(s) (schema v1) from " + file.string()), 1u);
    EXPECT_EQ(app->engine().resolve(note("Slack", "hi"))->appDisplayName, "Slack");

    // Our own save changes the file, and the watcher reports it: nothing is reloaded.
    ASSERT_EQ(app->configModel()->addApp("Teams"), "Teams");
    app->rulesFileChanged();
    scheduler.advance(Millis(300));
    EXPECT_EQ(log.count("[rules] reloaded"), 1u);
    EXPECT_EQ(app->ruleStore().rules().size(), 3u);

    const std::string broken = "{\"rules\": [{\"appBundleId\": \"Slack\", \"volume\": \"1.5\"}";
    writeFile(file, broken);
    app->rulesFileChanged();
    scheduler.advance(Millis(300));
    EXPECT_EQ(app->ruleStore().rules().size(), 3u) << "the rules in use stay";
    EXPECT_EQ(readFile(file), broken) << "neither replaced";
    EXPECT_FALSE(std::filesystem::exists(file.parent_path() / "rules.corrupt.json"))
        << "nor moved aside";
    EXPECT_EQ(log.count("[rules] could not reload " + file.string() + " ("), 1u);
    EXPECT_TRUE(notices.contains("- keeping the 3 rule(s) in use"));
    EXPECT_EQ(app->engine().resolve(note("Teams", "hi"))->appDisplayName, "Teams");

    // An edit in the settings window then keeps the broken file aside rather than saving over it.
    ASSERT_EQ(app->configModel()->addApp("Mail"), "Mail");
    const auto backup = file.parent_path() / "rules.corrupt.json";
    EXPECT_EQ(readFile(backup), broken);
    EXPECT_EQ(reloadedRuleCount(file), 4u);
    EXPECT_TRUE(notices.contains("; moved it to " + backup.string()));
    EXPECT_NE(app->configModel()->storeNotice().find(backup.string()), std::string::npos);

    // The next edit is tried again; SIGHUP's reload needs no wait.
    rulesOnDisk({slackRule()});
    app->reloadRules();
    EXPECT_EQ(app->ruleStore().rules().size(), 1u);
    EXPECT_FALSE(app->ruleStore().defaultRule()) << "a file without a default rule loads as it is";
    EXPECT_FALSE(app->engine().resolve(note("Teams", "hi")));
}

TEST_F(Dispatch, testFlashShowsTheGlobalDefaultsInBlue) {
    preferences.set(prefkeys::flashIntensity, std::string("strong"));
    preferences.set(prefkeys::flashRepeat, 2);
    start();
    launch();
    center.post(notes::testFlash);
    expectOneFlash("#1E88E5", FlashStyle::fullScreen, "Test", 0.75); // strong, full screen
    scheduler.advance(0.5);
    EXPECT_EQ(overlays.windowsOnScreen(), 1u) << "a second pulse follows the first";
    scheduler.advance(0.6);
    EXPECT_EQ(overlays.windowsOnScreen(), 0u);
}
