#include "core/linux/SessionBusName.h"
#include "core/linux/DbusBroadcast.h"
#include "support/LogRecorder.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

test::CommandResult call(const test::PrivateBus& bus, const std::string& method) {
    return test::runCommand({"dbus-send", "--session", "--print-reply",
                             std::string("--dest=") + SessionBusName::busName,
                             SessionBusName::objectPath,
                             std::string(SessionBusName::interfaceName) + "." + method},
                            bus.clientEnvironment(), 10s);
}

} // namespace

// The command line asks the bus whether the name has an owner; the name comes and goes with the
// program, and the methods given are answered on the object.
TEST(SessionBusName, isOwnedWhileTheProgramLivesAndAnswersItsMethods) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast asker;
    EXPECT_EQ(SessionBusName::hasOwner(asker.connection()), std::optional<bool>(false));

    test::LogRecorder log;
    int opened = 0;
    {
        DbusBroadcast running;
        SessionBusName name(running.connection(), {{"Open", [&] { ++opened; }}}, log.fn());
        ASSERT_TRUE(test::pumpEventsUntil([&] { return name.owned(); }, 10s)) << log.lines.size();
        EXPECT_TRUE(log.contains("[bus] owns com.talvo.corvale"));
        EXPECT_EQ(SessionBusName::hasOwner(asker.connection()), std::optional<bool>(true));
        EXPECT_EQ(bus.ownerPid(SessionBusName::busName), std::optional<int>(getpid()));

        // dbus-send blocks for the reply, so the event loop runs in the meantime.
        test::CommandResult reply, unknown;
        std::atomic<int> finished = 0;
        std::thread caller([&] {
            reply = call(bus, "Open");
            unknown = call(bus, "Close");
            ++finished;
        });
        const bool answered = test::pumpEventsUntil([&] { return finished == 1; }, 20s);
        caller.join();
        ASSERT_TRUE(answered);
        EXPECT_EQ(reply.exitCode, 0);
        EXPECT_NE(unknown.exitCode, 0) << "a method not given is not answered as a success";
        EXPECT_EQ(opened, 1);

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
