#include "support/GuiApp.h"
#include "support/QtEventLoop.h"
#include "ui/flash/FlashPainter.h"
#include "ui/flash/QtOverlayHost.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

OverlayContent content(FlashStyle style, const std::string& name) {
    return {FlashColor::fromHex("#E53935"), FlashColor{1, 1, 1}, style, name};
}

} // namespace

TEST(FlashPainter, uncomposedShapeIsBandsAndLabelOnly) {
    test::guiApp();
    const QSize screen(1024, 768);
    const QRegion full = FlashPainter::shape(screen, content(FlashStyle::fullScreen, "Slack"));
    for (QPoint edge : {QPoint(512, 5), QPoint(512, 760), QPoint(5, 384), QPoint(1018, 384)}) {
        EXPECT_TRUE(full.contains(edge)) << edge.x() << "," << edge.y();
    }
    EXPECT_TRUE(full.contains(QPoint(512, 384))) << "the label at the centre";
    EXPECT_FALSE(full.contains(QPoint(250, 320))) << "the middle away from the label";

    const QRegion top = FlashPainter::shape(screen, content(FlashStyle::edgeTop, "Slack"));
    EXPECT_FALSE(top.contains(QPoint(512, 760))) << "only the top band";
    const QRectF label = FlashPainter::labelRect(screen, content(FlashStyle::edgeTop, "Slack"));
    EXPECT_GT(label.top(), 42.0) << "below the band";
    EXPECT_LT(label.top(), 42.0 + 0.6 * 42.24 + 1) << "just inside it";
    const QFontMetricsF metrics(FlashPainter::labelFont(screen));
    EXPECT_GT(label.width(), metrics.horizontalAdvance("Slack")) << "the name fits its label";
    EXPECT_TRUE(FlashPainter::labelRect(screen, content(FlashStyle::edge, "")).isEmpty());
}

TEST(QtOverlayHost, animationsCompleteEvenWhenTheirWindowsGoFirst) {
    test::guiApp();
    QtOverlayHost host(nullptr);
    ASSERT_TRUE(host.available());
    auto screens = host.screens();
    ASSERT_FALSE(screens.empty());
    auto window = host.createOverlay(screens[0], content(FlashStyle::edgeLeft, "Mail"));
    ASSERT_TRUE(window);

    int done = 0;
    host.animateOpacity({window.get()}, 0.8, 0.05, [&] { ++done; });
    window.reset(); // a newer flash took it off the screen
    host.animateOpacity({}, 0.0, 0.0, [&] { ++done; });
    EXPECT_TRUE(test::pumpEventsUntil([&] { return done == 2; }, 5s));
}
