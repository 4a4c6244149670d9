#include "support/AppHarness.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;

namespace {

struct ConfigModelWiring : ::testing::Test, AppHarness {
    int announced = 0;
    Subscription changes;

    ConfigModel& start() {
        create();
        launch();
        ConfigModel* model = app->configModel();
        EXPECT_NE(model, nullptr);
        changes = model->observe([this] { ++announced; });
        return *model;
    }

    void notify(const std::string& appName) {
        ObservedNotification n;
        n.uuid = "u-" + appName;
        n.appName = appName;
        n.title = "Hello";
        n.timestamp = scheduler.now();
        app->handle(n);
    }
};

} // namespace

TEST_F(ConfigModelWiring, theModelFollowsWhatTheApplicationSees) {
    ConfigModel& model = start();
    EXPECT_EQ(model.soundNames(), (std::vector<std::string>{"Submarine"}));

    notify("Slack");
    EXPECT_EQ(model.published().seenApps, (std::vector<std::string>{"Slack"}));
    EXPECT_EQ(model.published().statusLine, app->status().statusText());
    const int afterAlert = announced;
    app->refreshConfigModel();
    EXPECT_EQ(announced, afterAlert + 1) << "an explicit refresh always announces, once";

    // The status timer republishes only when something shown has changed.
    const int before = announced;
    scheduler.advance(2.0);
    EXPECT_EQ(announced, before);
    app->silence().snoozeHotKeyFired();
    EXPECT_TRUE(model.published().isSnoozed);
    EXPECT_GT(announced, before);

    // Removing an app forgets it in the delegate's seen names too.
    model.removeApp("slack");
    EXPECT_TRUE(model.published().seenApps.empty());
    EXPECT_TRUE(app->seenApps().empty());
}

// The quick menu's rows (sounds, snooze) are the status menus' test.
TEST_F(ConfigModelWiring, aTestOfTheDefaultRowPlaysThroughTheRealSoundPlayer) {
    ConfigModel& model = start();
    model.test(std::nullopt);
    EXPECT_TRUE(log.contains("[test] All other apps \u2192 Submarine @ 100%"));
    EXPECT_EQ(engine.starts.size() + namedSounds.played.size(), 1u);
}

TEST_F(ConfigModelWiring, settingsAskedForFromOutsideReachTheModelsHookAtThatPane) {
    create();
    app->openSettings(std::nullopt);
    EXPECT_TRUE(log.contains("[settings] no settings window to open")) << "before start-up";

    ConfigModel& model = start();
    app->openSettings(PaneID::of(PaneID::Kind::recentAlerts));
    EXPECT_EQ(log.count("[settings] no settings window to open"), 2u) << "no window connected";

    std::vector<std::optional<PaneID>> opened;
    model.onOpenSettings = [&](const std::optional<PaneID>& pane) { opened.push_back(pane); };
    app->openSettings(std::nullopt);
    app->openSettings(PaneID::app("Mail"));
    EXPECT_EQ(opened, (std::vector<std::optional<PaneID>>{std::nullopt, PaneID::app("Mail")}))
        << "no pane stays no pane, so the window keeps its own choice of the first";
    EXPECT_TRUE(log.contains("[settings] open pane=\"general\""));
    EXPECT_TRUE(log.contains("[settings] open pane=\"app:Mail\""));
}
