#include "ui/tray/TrayStatusButton.h"
#include "support/GuiApp.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>

using namespace corvale;

TEST(TrayStatusButton, reportsClicksAndMenuRequestsAndRedrawsEveryBlinkStep) {
    test::guiApp();
    test::LogRecorder log;
    TrayStatusButton button(log.fn());
    EXPECT_TRUE(
        log.contains("[tray] no system tray on this desktop - running without a status icon"))
        << "the offscreen platform has no tray";

    int clicks = 0;
    int menus = 0;
    button.onActivate = [&](QPoint) { ++clicks; };
    button.onContextMenu = [&](QPoint) { ++menus; };
    emit button.trayIcon().activated(QSystemTrayIcon::Trigger);
    emit button.trayIcon().activated(QSystemTrayIcon::Context);
    emit button.trayIcon().activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(menus, 1);

    ASSERT_TRUE(button.setImage("bell", ""));
    const QImage plain = button.currentImage(22);
    const qint64 iconBefore = button.trayIcon().icon().cacheKey();
    button.setTint(FlashColor::fromHex("#43A047"));
    EXPECT_NE(button.trayIcon().icon().cacheKey(), iconBefore) << "the tint is a new icon";
    button.setOpacity(0.2);
    const QImage dim = button.currentImage(22);
    EXPECT_NE(dim, plain);
    button.setOpacity(1.0);
    button.setTint(std::nullopt);
    EXPECT_EQ(button.currentImage(22), plain) << "the blink ends on the plain glyph";
    EXPECT_EQ(button.trayIcon().icon().cacheKey(), iconBefore)
        << "a look shown a moment ago is not drawn again";
    ASSERT_TRUE(button.setImage("bell", ""));
    EXPECT_EQ(button.trayIcon().icon().cacheKey(), iconBefore) << "the same image is not redrawn";
    ASSERT_TRUE(button.setImage("bell", "2"));
    EXPECT_NE(button.trayIcon().icon().cacheKey(), iconBefore) << "a new badge is a new icon";

    ASSERT_TRUE(button.setImage("no.such.symbol", "3"));
    EXPECT_FALSE(button.currentImage(22).isNull());
}
