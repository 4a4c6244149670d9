#include "signals/StatusItemController.h"
#include "signals/MenuBarIconStyle.h"
#include "support/ManualScheduler.h"
#include "support/RecordingStatusButton.h"

#include <gtest/gtest.h>

#include <set>

using namespace corvale;
using std::chrono::seconds;

namespace {

using RecordingButton = test::RecordingStatusButton;

struct World {
    bool trusted = true;
    bool attached = true;
    bool soundsEnabled = true;
    std::optional<TimePoint> deadline;
    int unread = 0;
    long long detected = 0;
    std::optional<std::string> style;
};

struct Fixture {
    test::ManualScheduler scheduler;
    World world;
    RecordingButton button;
    StatusItemController controller{scheduler, StatusInputs{
                                                   [this] { return world.trusted; },
                                                   [this] { return world.attached; },
                                                   [this] { return world.soundsEnabled; },
                                                   [this] { return world.deadline; },
                                                   [this] { return world.unread; },
                                                   [this] { return world.detected; },
                                                   [this] { return world.style; },
                                                   {},
                                               }};
    Fixture() { controller.setButton(&button); }
    // The glyph after an update from the world as it is now.
    std::string shown() {
        controller.updateStatus();
        return button.shown();
    }
};

const FlashColor red{1, 0, 0};
const FlashColor blue{0, 0, 1};

} // namespace

TEST(MenuBarIconStyle, unknownKeysFallBackToTheBell) {
    std::set<std::string> keys;
    for (const auto& style : MenuBarIconStyle::all()) {
        EXPECT_TRUE(keys.insert(style.key).second) << "duplicate key " << style.key;
        EXPECT_EQ(MenuBarIconStyle::forKey(style.key), style);
    }
    for (const std::optional<std::string>& key :
         std::vector<std::optional<std::string>>{std::nullopt, "", "Bell", "BELL", "bells", "x"}) {
        EXPECT_EQ(MenuBarIconStyle::forKey(key).key, "bell") << key.value_or("<none>");
    }
}

TEST(StatusItemController, glyphPrecedenceIsPermissionThenAttachThenSilenceThenOn) {
    Fixture f;
    f.world.style = "speaker";
    auto& w = f.world;

    EXPECT_EQ(f.shown(), "speaker.wave.2");

    w.soundsEnabled = false;
    EXPECT_EQ(f.shown(), "speaker.slash") << "muted";

    w.soundsEnabled = true;
    w.deadline = f.scheduler.now() + seconds(90);
    EXPECT_EQ(f.shown(), "speaker.slash") << "snoozed";

    w.attached = false;
    EXPECT_EQ(f.shown(), "hourglass") << "attaching beats silence";

    w.trusted = false;
    w.unread = 3;
    EXPECT_EQ(f.shown(), "exclamationmark.triangle") << "missing permission beats all";
    EXPECT_EQ(f.button.badge(), "3") << "the badge is drawn beside the warning";

    // The deadline passing turns the glyph back at the next update, whatever the snooze timer.
    w.trusted = true;
    w.attached = true;
    w.unread = 0;
    EXPECT_EQ(f.shown(), "speaker.slash");
    f.scheduler.advance(90.0);
    EXPECT_EQ(f.shown(), "speaker.wave.2") << "a deadline at now is no snooze";

    w.style = "nonsense";
    EXPECT_EQ(f.shown(), "bell");
}

TEST(StatusItemController, redrawsOnlyOnChangeUnlessABadgeShows) {
    Fixture f;
    f.controller.updateStatus();
    f.controller.updateStatus();
    EXPECT_EQ(f.button.images.size(), 1u) << "nothing changed, nothing redrawn";
    EXPECT_EQ(f.controller.lastAppliedSymbol(), std::optional<std::string>("bell"));
    EXPECT_EQ(f.controller.lastAppliedBadge(), std::optional<std::string>(""));

    f.world.unread = 12;
    f.controller.updateStatus();
    f.controller.updateStatus();
    ASSERT_EQ(f.button.images.size(), 3u) << "a badged image is rebuilt on every update";
    EXPECT_EQ(f.button.badge(), "9+");

    f.world.unread = 0;
    f.controller.updateStatus();
    f.controller.updateStatus();
    EXPECT_EQ(f.button.images.size(), 4u) << "the badge going away is a change";
    EXPECT_EQ(f.button.badge(), "");

    // A button set up anew (the tray came back) is drawn at once.
    RecordingButton fresh;
    f.controller.setButton(&fresh);
    f.controller.updateStatus();
    ASSERT_EQ(fresh.images.size(), 1u);
    EXPECT_EQ(fresh.shown(), "bell");

    // Without a button every operation returns at once.
    f.controller.setButton(nullptr);
    f.world.soundsEnabled = false;
    f.controller.updateStatus();
    f.controller.flashMenuBarIcon(red);
    EXPECT_EQ(f.scheduler.pendingTimers(), 0u);
    EXPECT_EQ(fresh.images.size(), 1u);
}

TEST(StatusItemController, blinkIsThreeDimAndThreeBrightPhasesThenPlain) {
    Fixture f;
    f.controller.flashMenuBarIcon(red);
    ASSERT_EQ(f.button.tints.size(), 1u);
    EXPECT_EQ(f.button.tints[0], std::optional<FlashColor>(red));
    EXPECT_TRUE(f.controller.isBlinking());

    f.scheduler.advance(0.71);
    EXPECT_EQ(f.button.opacities, (std::vector<double>{0.2, 1.0, 0.2, 1.0, 0.2}));
    EXPECT_TRUE(f.controller.isBlinking());
    f.scheduler.advance(0.01);
    EXPECT_EQ(f.button.opacities.back(), 1.0);
    EXPECT_EQ(f.controller.flashTicks(), 6);
    EXPECT_FALSE(f.controller.isBlinking());
    EXPECT_EQ(f.button.tints.back(), std::nullopt) << "the tint is cleared at the end";
    EXPECT_EQ(f.scheduler.pendingTimers(), 0u);
    EXPECT_TRUE(f.button.images.empty()) << "a blink never changes the image";

    f.scheduler.advance(5.0);
    EXPECT_EQ(f.button.opacities.size(), 7u) << "nothing after the sixth tick";
}

TEST(StatusItemController, aNewBlinkRestartsWithItsOwnColour) {
    Fixture f;
    f.controller.flashMenuBarIcon(red);
    f.scheduler.advance(0.25);
    EXPECT_EQ(f.controller.flashTicks(), 2);

    f.controller.flashMenuBarIcon(blue);
    EXPECT_EQ(f.controller.flashTicks(), 0);
    EXPECT_EQ(f.button.tints.back(), std::optional<FlashColor>(blue));
    f.button.opacities.clear();
    f.scheduler.advance(0.72);
    EXPECT_EQ(f.button.opacities, (std::vector<double>{0.2, 1.0, 0.2, 1.0, 0.2, 1.0, 1.0}));
    EXPECT_EQ(f.button.tints.back(), std::nullopt);
    EXPECT_EQ(f.scheduler.pendingTimers(), 0u) << "the first blink's timer is gone too";

    // Without a colour the glyph blinks in its own colour: only the opacity changes.
    f.button.tints.clear();
    f.controller.flashMenuBarIcon(std::nullopt);
    f.scheduler.advance(1.0);
    EXPECT_EQ(f.button.tints, (std::vector<std::optional<FlashColor>>{std::nullopt, std::nullopt}));

    // A button that goes mid-blink stops the blink.
    f.controller.flashMenuBarIcon(red);
    f.scheduler.advance(0.12);
    f.controller.setButton(nullptr);
    f.scheduler.advance(0.12);
    EXPECT_FALSE(f.controller.isBlinking());
    EXPECT_EQ(f.scheduler.pendingTimers(), 0u);
}

TEST(StatusItemController, endingABlinkRestoresThePlainGlyphAtOnce) {
    Fixture f;
    f.controller.flashMenuBarIcon(red);
    f.scheduler.advance(Millis(130));
    f.controller.endBlink();
    EXPECT_FALSE(f.controller.isBlinking());
    EXPECT_EQ(f.button.opacities.back(), 1.0);
    EXPECT_EQ(f.button.tints.back(), std::nullopt);
    const auto opacities = f.button.opacities.size();
    f.scheduler.advance(Millis(1000));
    EXPECT_EQ(f.button.opacities.size(), opacities) << "no tick after the end";
    f.controller.endBlink();
    EXPECT_EQ(f.button.opacities.size(), opacities) << "nothing to end when not blinking";
}

TEST(StatusItemController, widthIsSetOnlyWhereTheTrayHonoursItAndMeasuredOncePerSymbol) {
    Fixture f;
    f.controller.updateStatus();
    EXPECT_TRUE(f.button.lengths.empty()) << "square trays get no width";
    EXPECT_EQ(f.button.glyphRenders, 0);

    Fixture g;
    g.button.wide = true;
    g.controller.updateStatus();
    g.world.soundsEnabled = false;
    g.controller.updateStatus();
    g.world.soundsEnabled = true;
    g.controller.updateStatus();
    // Inked pixels 6..33 of 40 at 2 px per point: 6 px = 3 points off each side, 20 - 6 + 1.
    EXPECT_EQ(g.button.lengths, (std::vector<double>{15, 15, 15}));
    EXPECT_EQ(g.button.glyphRenders, 2) << "bell and bell.slash, each measured once";
    EXPECT_EQ(g.controller.menuBarLengthCache().size(), 2u);

    g.world.unread = 3;
    g.controller.updateStatus();
    EXPECT_EQ(g.button.lengths.back(), 32) << "a badged item is its image's width plus one";

    std::vector<float> empty(16, 0.0f);
    EXPECT_EQ(MenuBarLength::tight({15.2, 4, 4, empty.data()}), 18) << "nothing inked";
    EXPECT_EQ(MenuBarLength::tight({0, 0, 0, nullptr}), 2);
}

TEST(StatusItemController, statusTextTellsTheMostPressingState) {
    Fixture f;
    auto& w = f.world;
    w.detected = 7;
    EXPECT_EQ(f.controller.statusText(), "\u2713 Watching - 7 detected");

    w.attached = false;
    EXPECT_EQ(f.controller.statusText(), "\u2026 attaching");

    w.deadline = f.scheduler.now() + seconds(61);
    EXPECT_EQ(f.controller.statusText(), "\U0001F515 Snoozed - 2 min left");
    f.scheduler.advance(2.0);
    EXPECT_EQ(f.controller.statusText(), "\U0001F515 Snoozed - 1 min left");
    EXPECT_EQ(
        StatusItemController::statusTextFor(true, std::nullopt, f.scheduler.now(), true, 7, true),
        StatusItemController::focusStatus)
        << "Focus is told while it silences";

    w.trusted = false;
    EXPECT_EQ(f.controller.statusText(), "\u26A0\uFE0E Needs notification access permission");

    w.trusted = true;
    w.attached = true;
    f.scheduler.advance(59.0);
    EXPECT_EQ(f.controller.statusText(), "\u2713 Watching - 7 detected") << "snooze over";
}
