// Reaching the running corvale from outside: a second launch, "corvale settings" and "corvale
// dashboard", on a private bus and a private X server that has no system tray.

#include "CorvaleSession.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

namespace corvale::test {
namespace {

using namespace std::chrono_literals;

TEST(Launch, commandsAndASecondLaunchOpenTheRunningProgramsWindows) {
    CorvaleSession session;
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();

    for (const char* command : {"settings", "dashboard"}) {
        auto nobody = session.command({command});
        EXPECT_EQ(nobody.exitCode, 1) << command;
        EXPECT_EQ(nobody.errors, "corvale: Corvale is not running; the command was not sent\n");
    }

    auto corvale = session.startCorvale({{"DISPLAY", display.name()}});
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[bus] owns com.talvo.corvale"));

    auto settings = session.command({"settings"});
    EXPECT_EQ(settings.exitCode, 0) << settings.errors;
    EXPECT_EQ(settings.output, "corvale: Corvale's settings window was opened\n");
    EXPECT_TRUE(CorvaleSession::hasLine(*corvale, "[settings] open pane=\"general\""));
    EXPECT_TRUE(display.waitForWindow({"--onlyvisible", "--name", "^Corvale Settings$"}))
        << "the settings window is on the screen";

    auto unknown = session.command({"settings", "app:NoSuchApp"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.errors.find("no app 'NoSuchApp' is configured"), std::string::npos)
        << unknown.errors;
    EXPECT_TRUE(CorvaleSession::waitForLine(*corvale, "[settings] open pane=\"allOtherApps\""))
        << "the apps are shown, not the previous pane";

    auto again = session.command({});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(again.output,
              "corvale: Corvale is already running; its settings window was opened\n");
    EXPECT_TRUE(CorvaleSession::waitForLine(*corvale, "[settings] open pane=\"general\"", 2));
    EXPECT_TRUE(corvale->running()) << "the first one goes on";

    auto dashboard = session.command({"dashboard"});
    EXPECT_EQ(dashboard.exitCode, 0) << dashboard.errors;
    EXPECT_EQ(dashboard.output, "corvale: Corvale's dashboard was opened\n");
    EXPECT_TRUE(CorvaleSession::hasLine(
        *corvale, "[dashboard] opened as a window - no system tray on this desktop"));
    EXPECT_TRUE(display.waitForWindow({"--onlyvisible", "--name", "^Corvale$"}))
        << "the dashboard is a window of its own, titled Corvale";
}

} // namespace
} // namespace corvale::test
