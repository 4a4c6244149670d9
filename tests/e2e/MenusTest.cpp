// The tray icon's unread badge and the dashboard, driven as a user would: the real corvale on a
// private X server with a tray host (trayer), clicked with xdotool, looked at through screenshots.

#include "CorvaleSession.h"
#include "ScreenProbe.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

namespace corvale::test {
namespace {

using namespace std::chrono_literals;

TEST(Menus, badgeCountsAlertsUntilTheDashboardHasBeenOpenedAndClosed) {
    CorvaleSession session;
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    auto tray = display.start({"trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                               "--width", "120", "--height", "32", "--tint", "0x303030",
                               "--transparent", "true", "--alpha", "0", "--SetDockType", "true"});
    ASSERT_TRUE(display.waitForWindow({"--class", "trayer"}));
    auto server = session.startNotificationServer();
    auto corvale = session.startCorvale({{"DISPLAY", display.name()}});
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[start]"));

    // The badge is the only red in the tray (#E53935).
    ScreenProbe screen{display.name(), session.home / "out"};
    auto redPixels = [&](int low, int high) {
        return screen.waitFrame(Frame().count({0, 0, 120, 32}, {229, 57, 53}, low, high), 10)
                   .exitCode == 0;
    };
    auto dashboardShown = [&] {
        return display.run({"xdotool", "search", "--onlyvisible", "--name", "^Corvale dashboard$"})
                   .exitCode == 0;
    };

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(session.run({"notify-send", "-a", "Chat", "Message", ""}).exitCode, 0);
    }
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "DETECTED #3"));
    ASSERT_TRUE(redPixels(20, 1 << 30)) << "no unread badge";

    // The only icon in the tray sits at its left end.
    auto clickIcon = [&] {
        display.run({"xdotool", "mousemove", "--sync", "12", "16", "click", "1"});
    };
    clickIcon();
    ASSERT_TRUE(waitUntil(dashboardShown, 10s)) << "a click on the icon opens the dashboard";
    EXPECT_TRUE(redPixels(20, 1 << 30)) << "opening alone does not clear the badge";

    clickIcon();
    ASSERT_TRUE(waitUntil([&] { return !dashboardShown(); }, 10s)) << "a second click closes it";
    EXPECT_TRUE(redPixels(0, 0)) << "closing the dashboard marks the alerts seen";
}

} // namespace
} // namespace corvale::test
