#include "signals/ScreenFlash.h"
#include "signals/FlashAnimation.h"
#include "signals/FlashGeometry.h"
#include "signals/FlashPalette.h"
#include "signals/FlashStyleInfo.h"
#include "signals/FlashTuning.h"
#include "support/FakeOverlayHost.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

using namespace corvale;
using test::FakeOverlayHost;

namespace {

struct Flashing : ::testing::Test {
    test::ManualScheduler scheduler;
    FakeOverlayHost host{scheduler};
    FlashDefaults defaults;
    ScreenFlash flash{scheduler, host, [this] { return defaults; }};

    void flashOnce(FlashStyle style, std::optional<int> repeat = std::nullopt,
                   std::optional<FlashColor> color = FlashColor::fromHex("#1E88E5")) {
        flash.flashScreenOverlay(color, style, "Slack", std::nullopt, std::nullopt, repeat);
    }
};

} // namespace

TEST_F(Flashing, aNewFlashReplacesTheRunningOneAndItsLateStepsChangeNothing) {
    host.screenFrames = {{0, 0, 1024, 768}, {1024, 0, 800, 600}};
    flashOnce(FlashStyle::fullScreen);
    ASSERT_EQ(host.windowsOnScreen(), 2u) << "one window per screen";
    scheduler.advance(0.1); // first flash faded in, fading out
    flashOnce(FlashStyle::edgeTop);
    EXPECT_EQ(host.windowsOnScreen(), 2u) << "the first flash's windows are gone at once";
    EXPECT_FALSE(host.created[0]->onScreen);
    EXPECT_FALSE(host.created[1]->onScreen);

    // The first flash's fade-out completion arrives now; it must not end the second flash.
    scheduler.advance(0.08);
    EXPECT_EQ(host.windowsOnScreen(), 2u);
    EXPECT_DOUBLE_EQ(host.created[2]->opacity, 0.85) << "normal intensity, edge peak";
    const auto animationsBefore = host.animations.size();
    scheduler.advance(0.37);
    EXPECT_EQ(host.windowsOnScreen(), 0u) << "removed after its one fade-out";
    EXPECT_EQ(host.animations.size(), animationsBefore) << "no stale pulse started";
    for (const auto& animation : host.animations) {
        for (const auto& window : animation.windows) {
            EXPECT_TRUE(window == host.created[0] || window == host.created[1] ||
                        window == host.created[2] || window == host.created[3]);
        }
    }
    EXPECT_EQ(flash.flashGeneration(), 2u);
}

TEST_F(Flashing, repeatsPulseWithGapsAndOutOfRangeRepeatsFlashOnce) {
    flashOnce(FlashStyle::fullScreen, 3);
    // Each pulse: fade in 0.08 to 0.5, fade out 0.37 to 0; 0.18 s between pulses.
    for (int pulse = 0; pulse < 3; ++pulse) {
        scheduler.advance(0.08);
        EXPECT_DOUBLE_EQ(host.created[0]->opacity, 0.5) << "pulse " << pulse;
        scheduler.advance(0.37);
        EXPECT_DOUBLE_EQ(host.created[0]->opacity, 0.0) << "pulse " << pulse;
        if (pulse < 2) {
            EXPECT_EQ(host.windowsOnScreen(), 1u) << "kept through the gap";
            scheduler.advance(0.18);
        }
    }
    EXPECT_EQ(host.windowsOnScreen(), 0u);
    EXPECT_EQ(host.animations.size(), 6u);

    for (int repeat : {0, -1, 4, 5}) {
        host.animations.clear();
        flashOnce(FlashStyle::fullScreen, repeat);
        scheduler.advance(2.0);
        EXPECT_EQ(host.animations.size(), 2u) << "repeat " << repeat << " flashes once";
        EXPECT_EQ(host.windowsOnScreen(), 0u);
    }
}

TEST_F(Flashing, globalDefaultsFillInAndNoColourMeansWhiteWithoutLabel) {
    defaults = {FlashIntensity::gentle, FlashDuration::long_, 2};
    flashOnce(FlashStyle::edge, std::nullopt, std::nullopt);
    ASSERT_EQ(host.created.size(), 1u);
    EXPECT_EQ(host.created[0]->content.fill, (FlashColor{1, 1, 1}));
    EXPECT_EQ(host.created[0]->content.name, "") << "no label without a colour";
    EXPECT_EQ(host.created[0]->content.textColor, (FlashColor{0, 0, 0}));
    EXPECT_DOUBLE_EQ(host.animations[0].target, 0.6);
    EXPECT_DOUBLE_EQ(host.animations[0].seconds, 0.35);
    scheduler.advance(0.35 + 0.39);
    EXPECT_EQ(host.animations.size(), 1u) << "held for 0.4 s before fading out";
    scheduler.advance(0.02);
    ASSERT_EQ(host.animations.size(), 2u);
    EXPECT_DOUBLE_EQ(host.animations[1].seconds, 0.9);
    scheduler.advance(0.9 + 0.18 + 1.65);
    EXPECT_EQ(host.animations.size(), 4u) << "two pulses from the global repeat";

    host.screenFrames.clear();
    flashOnce(FlashStyle::fullScreen);
    scheduler.advance(1.0);
    EXPECT_EQ(flash.overlayCount(), 0u) << "without screens the sequence still ends";
}

TEST(FlashPalette, colourForAnAppIsStableAndCaseBlind) {
    EXPECT_EQ(FlashPalette::color("").hexString(), "#FDD835");
    EXPECT_EQ(FlashPalette::color("  Slack\n"), FlashPalette::color("slack"));
    EXPECT_EQ(FlashPalette::color("SLACK").hexString(), "#E53935");
    EXPECT_EQ(FlashPalette::color("Mail").hexString(), "#3949AB");
    EXPECT_EQ(FlashPalette::labelTextColor(FlashColor::fromHex("#FDD835")), (FlashColor{0, 0, 0}));
    EXPECT_EQ(FlashPalette::labelTextColor(FlashColor::fromHex("#1E88E5")), (FlashColor{1, 1, 1}));
}

TEST(FlashGeometry, bandFontAndLabelPlacement) {
    EXPECT_DOUBLE_EQ(FlashGeometry::band({800, 600}), 33.0);
    EXPECT_DOUBLE_EQ(FlashGeometry::labelFontSize({800, 600}), 36.0);
    EXPECT_DOUBLE_EQ(FlashGeometry::band({3000, 2000}), 110.0);
    EXPECT_DOUBLE_EQ(FlashGeometry::labelFontSize({3000, 2000}), 84.0);
    EXPECT_DOUBLE_EQ(FlashGeometry::band({300, 200}), 28.0);
    EXPECT_DOUBLE_EQ(FlashGeometry::labelFontSize({300, 200}), 28.0);

    const FlashRect screen{100, 50, 800, 600};
    const FlashSize pill{200, 60};
    const double band = 33; // inset 19.8
    auto top = FlashGeometry::namePillCenter(FlashStyle::edgeTop, screen, pill, band);
    EXPECT_DOUBLE_EQ(top.x, 500);
    EXPECT_DOUBLE_EQ(top.y, 50 + 33 + 19.8 + 30);
    auto right = FlashGeometry::namePillCenter(FlashStyle::edgeRight, screen, pill, band);
    EXPECT_DOUBLE_EQ(right.x, 900 - 33 - 19.8 - 100);
    EXPECT_DOUBLE_EQ(right.y, 350);
    EXPECT_EQ(FlashGeometry::namePillCenter(FlashStyle::edge, screen, pill, band),
              (FlashPoint{500, 350}));

    // A short screen: the label below the top band would leave it, so it is held inside.
    auto clamped = FlashGeometry::namePillCenter(FlashStyle::edgeTop, {0, 0, 800, 100}, pill, 28);
    EXPECT_DOUBLE_EQ(clamped.y, 70);
    // Wider than the screen: its left edge stays on the screen.
    auto wide =
        FlashGeometry::namePillCenter(FlashStyle::fullScreen, {0, 0, 100, 100}, {300, 40}, 28);
    EXPECT_DOUBLE_EQ(wide.x, 150);
}
