#include "core/linux/DbusBroadcast.h"
#include "support/LogRecorder.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

int sendSignal(const test::PrivateBus& bus, const std::string& path, const std::string& member,
               const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"dbus-send", "--session", "--type=signal", path, member};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runCommand(argv, bus.clientEnvironment(), 10s).exitCode;
}

} // namespace

TEST(DbusBroadcast, deliversEachNameToItsObserversAcrossConnections) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast receiver;
    DbusBroadcast sender;
    ASSERT_TRUE(receiver.connected());
    std::vector<std::string> commands, focus;
    auto a = receiver.observe(broadcasts::soundCommand,
                              [&](const std::string& object) { commands.push_back(object); });
    auto b = receiver.observe(broadcasts::focusFilterChanged,
                              [&](const std::string& object) { focus.push_back(object); });
    ASSERT_TRUE(a && b);
    // Wait until the bus has taken the receiver's match rules.
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] {
            sender.post(broadcasts::focusFilterChanged, "probe");
            return !focus.empty();
        },
        10s));
    // Probes still on their way would land among the values below; one connection's signals
    // arrive in order, so once a marker posted after them is heard, they all have been.
    sender.post(broadcasts::focusFilterChanged, "drained");
    ASSERT_TRUE(
        test::pumpEventsUntil([&] { return !focus.empty() && focus.back() == "drained"; }, 10s));
    focus.clear();

    EXPECT_TRUE(sender.post(broadcasts::soundCommand, "snooze:5"));
    EXPECT_TRUE(sender.post(broadcasts::focusFilterChanged, "1"));
    EXPECT_TRUE(sender.post(broadcasts::soundCommand, "mute"));
    EXPECT_TRUE(sender.post(broadcasts::soundCommand, "caf\u00e9 \U0001F515"));
    ASSERT_TRUE(
        test::pumpEventsUntil([&] { return commands.size() == 3 && focus.size() == 1; }, 10s));
    EXPECT_EQ(commands, (std::vector<std::string>{"snooze:5", "mute", "caf\u00e9 \U0001F515"}));
    EXPECT_EQ(focus, std::vector<std::string>{"1"});

    // The command line's way: post, flush and go at once, never running an event loop.
    {
        DbusBroadcast shortLived;
        EXPECT_TRUE(shortLived.post(broadcasts::soundCommand, "resume"));
        EXPECT_TRUE(shortLived.flush());
    }
    ASSERT_TRUE(test::pumpEventsUntil([&] { return commands.size() == 4; }, 10s));
    EXPECT_EQ(commands.back(), "resume");
}

TEST(DbusBroadcast, ignoresSignalsOfAnotherFormOrPlace) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast receiver;
    std::vector<std::string> commands;
    auto subscription = receiver.observe(
        broadcasts::soundCommand, [&](const std::string& object) { commands.push_back(object); });
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] {
            sendSignal(bus, "/com/talvo/corvale", "com.talvo.corvale.soundCommand",
                       {"string:probe"});
            test::pumpEventsFor(20ms);
            return !commands.empty();
        },
        10s));
    commands.clear();

    const std::string path = "/com/talvo/corvale";
    const std::string member = "com.talvo.corvale.soundCommand";
    EXPECT_EQ(sendSignal(bus, path, member, {"int32:5"}), 0);
    EXPECT_EQ(sendSignal(bus, path, member, {}), 0);
    EXPECT_EQ(sendSignal(bus, path, member, {"string:mute", "string:unmute"}), 0);
    EXPECT_EQ(sendSignal(bus, path, member, {"array:string:mute"}), 0);
    EXPECT_EQ(sendSignal(bus, "/com/talvo/other", member, {"string:mute"}), 0);
    EXPECT_EQ(sendSignal(bus, path, "com.talvo.other.soundCommand", {"string:mute"}), 0);
    EXPECT_EQ(sendSignal(bus, path, "com.talvo.corvale.focusFilterChanged", {"string:1"}), 0);
    EXPECT_EQ(sendSignal(bus, path, member, {"string:unmute"}), 0);
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] { return std::find(commands.begin(), commands.end(), "unmute") != commands.end(); },
        10s));
    test::pumpEventsFor(100ms);
    // Each probe came on a connection of its own, so a late one may arrive at any point.
    std::erase(commands, "probe");
    EXPECT_EQ(commands, std::vector<std::string>{"unmute"})
        << "only the one string signal on our path and interface is a broadcast";
}

TEST(DbusBroadcast, aCancelledObserverHearsNothingMore) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast broadcast;
    int kept = 0, once = 0;
    std::string lastKept;
    Subscription keep = broadcast.observe(broadcasts::soundCommand, [&](const auto& object) {
        ++kept;
        lastKept = object;
    });
    Subscription self;
    self = broadcast.observe(broadcasts::soundCommand, [&](const auto&) {
        ++once;
        self.reset(); // an observer may cancel itself while it runs
    });
    // A process hears its own broadcasts, as every other observer on the bus does.
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] {
            broadcast.post(broadcasts::soundCommand, "mute");
            test::pumpEventsFor(20ms);
            return once > 0;
        },
        10s));
    // Probes still on their way would count below; they arrive before a marker posted after them.
    broadcast.post(broadcasts::soundCommand, "drained");
    ASSERT_TRUE(test::pumpEventsUntil([&] { return lastKept == "drained"; }, 10s));
    const int before = kept;
    broadcast.post(broadcasts::soundCommand, "unmute");
    ASSERT_TRUE(test::pumpEventsUntil([&] { return kept > before; }, 10s));
    EXPECT_EQ(once, 1);

    keep.reset();
    broadcast.post(broadcasts::soundCommand, "mute");
    test::pumpEventsFor(200ms);
    EXPECT_EQ(kept, before + 1);

    // A subscription that outlives its broadcast is harmless.
    auto orphan = std::make_unique<DbusBroadcast>();
    Subscription late = orphan->observe(broadcasts::soundCommand, [](const auto&) {});
    orphan.reset();
    late.reset();
}

TEST(DbusBroadcast, withoutABusNothingIsSentAndNothingBreaks) {
    test::TempDir dir;
    test::ScopedEnvironment env(
        {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-bus").string()}});
    test::LogRecorder log;
    DbusBroadcast broadcast(log.fn());
    EXPECT_FALSE(broadcast.connected());
    EXPECT_FALSE(broadcast.post(broadcasts::soundCommand, "mute"));
    EXPECT_FALSE(broadcast.flush());
    EXPECT_FALSE(broadcast.observe(broadcasts::soundCommand, [](const auto&) {}));
    EXPECT_TRUE(log.contains("[broadcast] no session bus")) << testing::PrintToString(log.lines);
}

TEST(DbusBroadcast, refusesNamesAndTextsTheBusCannotCarry) {
    EXPECT_EQ(DbusBroadcast::memberFor(broadcasts::soundCommand),
              std::optional<std::string>("soundCommand"));
    EXPECT_EQ(DbusBroadcast::memberFor(broadcasts::focusFilterChanged),
              std::optional<std::string>("focusFilterChanged"));
    for (const std::string name :
         {"com.talvo.corvale.", "com.talvo.corvale.a.b", "com.talvo.corvale.9lives",
          "com.talvo.corvale.sound-command", "org.example.soundCommand", "soundCommand", ""}) {
        EXPECT_EQ(DbusBroadcast::memberFor(name), std::nullopt) << name;
    }

    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    DbusBroadcast broadcast;
    EXPECT_FALSE(broadcast.post("org.example.soundCommand", "mute"));
    EXPECT_FALSE(broadcast.post(broadcasts::soundCommand, "\xff\xfe not UTF-8"));
    EXPECT_FALSE(broadcast.post(broadcasts::soundCommand, std::string("mu\0te", 5)));
    EXPECT_FALSE(broadcast.observe("org.example.soundCommand", [](const auto&) {}));
    EXPECT_TRUE(broadcast.post(broadcasts::soundCommand, "mute")) << "the connection survived";
    EXPECT_TRUE(broadcast.flush());
}
