#include "core/linux/SessionBusName.h"
#include "core/linux/DbusBroadcast.h"
#include "support/LogRecorder.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"

#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace corvale;
using namespace std::chrono_literals;

// The command line asks the bus whether the name has an owner; the name comes and goes with the
// program. Its methods are the next test's.
TEST(SessionBusName, isOwnedWhileTheProgramLivesAndByItAlone) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast asker;
    EXPECT_EQ(SessionBusName::hasOwner(asker.connection()), std::optional<bool>(false));

    test::LogRecorder log;
    {
        DbusBroadcast running;
        SessionBusName name(running.connection(), {}, log.fn());
        ASSERT_TRUE(test::pumpEventsUntil([&] { return name.owned(); }, 10s)) << log.lines.size();
        EXPECT_TRUE(log.contains("[bus] owns com.talvo.corvale"));
        EXPECT_EQ(SessionBusName::hasOwner(asker.connection()), std::optional<bool>(true));
        EXPECT_EQ(bus.ownerPid(SessionBusName::busName), std::optional<int>(getpid()));

        // A second program cannot take the name over.
        test::LogRecorder secondLog;
        DbusBroadcast second;
        SessionBusName taken(second.connection(), {}, secondLog.fn());
        ASSERT_TRUE(test::pumpEventsUntil(
            [&] { return secondLog.contains("[bus] could not own com.talvo.corvale"); }, 10s));
        EXPECT_FALSE(taken.owned());
    }
    // The bus releases a name when its connection closes.
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] { return SessionBusName::hasOwner(asker.connection()) == false; }, 10s));
}

namespace {

// Runs `calls` on a connection of its own in another thread (a call blocks for its answer) while
// this thread's event loop lets the program answer.
std::vector<InstanceReply>
callFromAnotherProcess(const std::function<std::vector<InstanceReply>(sd_bus*)>& calls,
                       const std::function<void()>& meanwhile = {}) {
    auto result = std::async(std::launch::async, [&] {
        sd_bus* bus = nullptr;
        std::vector<InstanceReply> replies;
        if (sd_bus_open_user(&bus) >= 0) {
            replies = calls(bus);
        }
        sd_bus_flush_close_unref(bus);
        return replies;
    });
    if (meanwhile) {
        meanwhile();
    }
    test::pumpEventsUntil([&] { return result.wait_for(0s) == std::future_status::ready; }, 30s);
    return result.get();
}

using Status = InstanceReply::Status;

} // namespace

// What a second launch and "corvale settings|dashboard" do: call the running program's methods,
// which answer at once and act from the event loop afterwards.
TEST(SessionBusName, programMethodsOpenWindowsAndRefuseTextThatNamesNoPane) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    std::vector<std::optional<PaneID>> settings;
    int dashboards = 0;
    auto methods =
        programMethods([&](const std::optional<PaneID>& pane) { settings.push_back(pane); },
                       [&] { ++dashboards; }, [](const std::string& app) { return app == "Mail"; });
    {
        DbusBroadcast running;
        SessionBusName name(running.connection(), methods);
        ASSERT_TRUE(test::pumpEventsUntil([&] { return name.owned(); }, 10s));

        auto replies = callFromAnotherProcess([](sd_bus* b) {
            return std::vector<InstanceReply>{
                SessionBusName::call(b, "OpenSettings", {""}),
                SessionBusName::call(b, "OpenSettings", {"app:Mail"}),
                SessionBusName::call(b, "OpenDashboard", {}),
                SessionBusName::call(b, "OpenSettings", {"bogus"}),
                SessionBusName::call(b, "OpenSettings", {}),
                SessionBusName::call(b, "OpenDashboard", {"x"}),
                SessionBusName::call(b, "CloseEverything", {}),
                SessionBusName::call(b, "OpenSettings", {"app:NoSuchApp"}),
            };
        });
        ASSERT_EQ(replies.size(), 8u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(replies[i].status, Status::answered) << i << replies[i].detail;
        }
        for (int i = 3; i < 8; ++i) {
            EXPECT_EQ(replies[i].status, Status::refused) << i;
        }
        EXPECT_NE(replies[3].detail.find("no pane 'bogus'; the panes are general"),
                  std::string::npos)
            << replies[3].detail;
        EXPECT_NE(replies[4].detail.find("OpenSettings takes the arguments (s)"), std::string::npos)
            << replies[4].detail;
        EXPECT_NE(replies[7].detail.find("no app 'NoSuchApp' is configured"), std::string::npos)
            << replies[7].detail;
        ASSERT_TRUE(test::pumpEventsUntil([&] { return settings.size() == 3; }, 5s));
        EXPECT_EQ(settings,
                  (std::vector<std::optional<PaneID>>{std::nullopt, PaneID::app("Mail"),
                                                      PaneID::of(PaneID::Kind::allOtherApps)}))
            << "an unknown app shows the apps instead of the previous pane";
        EXPECT_EQ(dashboards, 1) << "other refused calls do nothing";
    }

    // Gone: not running, at once when not told to wait.
    DbusBroadcast asker;
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] { return SessionBusName::hasOwner(asker.connection()) == false; }, 10s));
    auto gone = callFromAnotherProcess(
        [](sd_bus* b) { return std::vector{SessionBusName::call(b, "OpenDashboard", {})}; });
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].status, Status::notRunning) << gone[0].detail;
    EXPECT_EQ(SessionBusName::call(nullptr, "OpenDashboard", {}).status, Status::unreachable);
}

// A launch that finds the lock held may be early: the running program takes its name only once it
// is ready, and the caller waits for that.
TEST(SessionBusName, aCallerToldToWaitIsAnsweredByAProgramThatIsStillStarting) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    int dashboards = 0;
    DbusBroadcast running;
    std::unique_ptr<SessionBusName> name;
    auto replies = callFromAnotherProcess(
        [](sd_bus* b) { return std::vector{SessionBusName::call(b, "OpenDashboard", {}, 20s)}; },
        [&] {
            test::pumpEventsFor(500ms);
            name = std::make_unique<SessionBusName>(running.connection(),
                                                    programMethods({}, [&] { ++dashboards; }));
        });
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].status, Status::answered) << replies[0].detail;
    EXPECT_TRUE(test::pumpEventsUntil([&] { return dashboards == 1; }, 5s));
}
