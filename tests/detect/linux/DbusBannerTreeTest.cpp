#include "detect/linux/DbusBannerTree.h"
#include "core/linux/SdBusHandles.h"
#include "detect/BannerReading.h"
#include "detect/linux/NotifyCallTap.h"
#include "support/LogRecorder.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <systemd/sd-bus.h>
#include <thread>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::LogRecorder;
using test::PrivateBus;
using test::pumpEventsFor;
using test::pumpEventsUntil;
using test::runCommand;
using test::ScopedEnvironment;
using test::TempDir;

const std::string serverScript = std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py";
const std::string rawNotifyScript = std::string(CORVALE_TEST_SUPPORT_DIR) + "/notify_raw.py";

// A client of the private bus that sends what notify-send cannot.
class BusClient {
public:
    BusClient() { sd_bus_open_user(OutPtr(bus_)); }

    // Returns the notification id, or 0 when the call failed.
    std::uint32_t notify(const std::string& app, const std::string& summary,
                         const std::string& body,
                         const std::vector<std::pair<std::string, std::string>>& hints = {},
                         std::uint32_t replaces = 0) {
        MessagePtr message;
        sd_bus_message_new_method_call(bus_.get(), OutPtr(message), "org.freedesktop.Notifications",
                                       "/org/freedesktop/Notifications",
                                       "org.freedesktop.Notifications", "Notify");
        sd_bus_message* m = message.get();
        sd_bus_message_append(m, "susss", app.c_str(), replaces, "", summary.c_str(), body.c_str());
        sd_bus_message_append(m, "as", 0);
        sd_bus_message_open_container(m, 'a', "{sv}");
        for (const auto& [key, value] : hints) {
            sd_bus_message_append(m, "{sv}", key.c_str(), "s", value.c_str());
        }
        sd_bus_message_close_container(m);
        sd_bus_message_append(m, "i", -1);
        BusError error;
        MessagePtr reply;
        std::uint32_t id = 0;
        if (sd_bus_call(bus_.get(), m, 10'000'000, &error.error, OutPtr(reply)) >= 0) {
            sd_bus_message_read(reply.get(), "u", &id);
        }
        return id;
    }

    // Sends a message built by `build` and returns whether the call succeeded.
    bool call(const char* destination, const char* path, const char* interface, const char* member,
              const std::function<void(sd_bus_message*)>& build) {
        MessagePtr m;
        sd_bus_message_new_method_call(bus_.get(), OutPtr(m), destination, path, interface, member);
        build(m.get());
        BusError error;
        return sd_bus_call(bus_.get(), m.get(), 10'000'000, &error.error, nullptr) >= 0;
    }

    std::string ownerOf(const char* name) {
        const char* owner = nullptr;
        BusError error;
        MessagePtr reply;
        const int r = sd_bus_call_method(bus_.get(), "org.freedesktop.DBus",
                                         "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                         "GetNameOwner", &error.error, OutPtr(reply), "s", name);
        if (r < 0 || sd_bus_message_read(reply.get(), "s", &owner) < 0) {
            return {};
        }
        return owner;
    }

    bool close(std::uint32_t id) {
        return call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                    "org.freedesktop.Notifications", "CloseNotification",
                    [&](sd_bus_message* m) { sd_bus_message_append(m, "u", id); });
    }

    void emitClosed(std::uint32_t id) {
        sd_bus_emit_signal(bus_.get(), "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", "NotificationClosed", "uu", id, 2u);
        sd_bus_flush(bus_.get());
    }

private:
    BusPtr bus_;
};

using Texts = std::array<std::string, 3>;
struct Shown {
    std::string identifier;
    std::string app;
    std::string title;
    std::string body;
    std::string entry;
    bool quiet = false;
    std::string sound; // the sound-file and sound-name hints
    Texts texts() const { return {app, title, body}; }
};

class DbusBannerTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.ready()) << bus.setupError();
        env.set("XDG_DATA_HOME", (home / "data").string());
        env.set("XDG_DATA_DIRS", (home / "system").string());
        test::writeFile(home / "data" / "applications" / "corvale-test.desktop",
                        "[Desktop Action x]\nName=Not this\n[Desktop Entry]\nType=Application\n"
                        "Name[de]=Testprogramm\nName=Test \xFFProgram\nExec=true\n");
        test::writeFile(home / "data" / "applications" / "org.example.Chat.desktop",
                        "[Desktop Entry]\nName=Chat\n");
        tree = std::make_unique<DbusBannerTree>(log.fn());
    }

    // Starts the test server, waits until the tree knows its process, and attaches a reader.
    void startServerAndAttach() {
        startServer();
        attach();
    }

    // Starts the test server and waits until the tree knows its process.
    void startServer(const std::vector<std::string>& options = {}) {
        std::vector<std::string> argv{"/usr/bin/python3", serverScript};
        argv.insert(argv.end(), options.begin(), options.end());
        server = bus.start(argv);
        ASSERT_TRUE(pumpEventsUntil([this] { return tree->serverPid() == server->pid(); }, 15s))
            << "server pid not learned; server says: " << server->errors();
    }

    // Attaches like the reader does; each notice records how many banners the tree then held.
    void attach() {
        changes = tree->observeChanges(*tree->serverPid(),
                                       [this] { bannersAtNotice.push_back(shown().size()); });
        ASSERT_TRUE(changes);
    }

    // The banners as the reader's own walk sees them.
    std::vector<Shown> shown() {
        std::vector<BannerElement> banners;
        const auto pid = tree->serverPid();
        if (!pid) {
            return {};
        }
        collectBanners(*tree, tree->applicationElement(*pid), 0, banners);
        std::vector<Shown> out;
        for (auto banner : banners) {
            auto n = extract(*tree, banner, Clock::now());
            EXPECT_EQ(n.kind, ObservedNotification::Kind::single);
            out.push_back({n.uuid, n.appName, n.title, n.body, n.desktopEntryName, n.suppressSound,
                           n.soundFile + " " + n.soundName});
        }
        return out;
    }

    bool waitForNotices(size_t count) {
        return pumpEventsUntil([&] { return bannersAtNotice.size() >= count; }, 10s);
    }

    void notifySend(const std::vector<std::string>& arguments, std::string* output = nullptr) {
        std::vector<std::string> argv{"notify-send"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        auto result = runCommand(argv, bus.clientEnvironment(), 15s);
        EXPECT_EQ(result.exitCode, 0) << "notify-send failed";
        if (output) {
            *output = result.output;
        }
    }

    ScopedEnvironment env;
    TempDir home;
    PrivateBus bus;
    LogRecorder log;
    std::unique_ptr<DbusBannerTree> tree;
    std::unique_ptr<ChildProcess> server;
    Subscription changes;
    std::vector<size_t> bannersAtNotice;
};

TEST_F(DbusBannerTreeTest, showsNotificationsAsTheServerDoesThroughReplaceAndClose) {
    ASSERT_TRUE(tree->isTrusted()) << "the private bus accepts a monitor";
    startServerAndAttach();

    std::string printed;
    notifySend({"-p", "-a", "Mail App", "Hello <b>you</b>",
                "Body with <b>bold</b> &amp; <a href=\"https://x\">a link</a>, 1 < 2 &unknown;"},
               &printed);
    ASSERT_TRUE(waitForNotices(1));
    auto banners = shown();
    ASSERT_EQ(banners.size(), 1u);
    EXPECT_EQ(banners[0].texts(),
              (Texts{"Mail App", "Hello <b>you</b>", "Body with bold & a link, 1 < 2 &unknown;"}))
        << "the summary is plain text, the body loses its markup";
    EXPECT_EQ(banners[0].identifier.rfind(":", 0), 0u) << banners[0].identifier;
    EXPECT_NE(banners[0].identifier.find('#'), std::string::npos);
    EXPECT_FALSE(banners[0].quiet);
    EXPECT_EQ(tree->attribute(tree->applicationElement(1), "AXChildren"),
              AttributeValue(std::vector<BannerElement>{}))
        << "another process shows nothing";

    const auto id = std::to_string(std::stoul(printed));
    notifySend({"-r", id, "-a", "Mail App", "-h", "boolean:suppress-sound:true", "-h",
                "string:sound-file:/tmp/bell.oga", "-h", "string:sound-name:bell", "Updated",
                "new text"});
    ASSERT_TRUE(waitForNotices(2));
    auto replaced = shown();
    ASSERT_EQ(replaced.size(), 1u) << "the replacement takes the old banner's place";
    EXPECT_EQ(replaced[0].title, "Updated");
    EXPECT_TRUE(replaced[0].quiet) << "the suppress-sound hint goes along";
    EXPECT_EQ(replaced[0].sound, "/tmp/bell.oga bell") << "and the sound it names";
    EXPECT_NE(replaced[0].identifier, banners[0].identifier)
        << "a new identifier, so it is announced";

    ASSERT_TRUE(BusClient().close(std::stoul(id)));
    EXPECT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 0; }, 10s));

    // The server closing a notification by itself removes it too.
    notifySend({"-t", "300", "-a", "Timer", "Expires"});
    ASSERT_TRUE(waitForNotices(3));
    EXPECT_EQ(bannersAtNotice.back(), 1u);
    EXPECT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 0; }, 10s));
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

TEST_F(DbusBannerTreeTest, onScreenDisplayUpdatesKeepTheIdentifierTheReaderHasSeen) {
    startServerAndAttach();
    auto volume = [&](int level) {
        notifySend({"-a", "Volume", "-h", "string:x-canonical-private-synchronous:volume", "-h",
                    "int:value:" + std::to_string(level), "Volume", std::to_string(level) + "%"});
    };
    volume(40);
    ASSERT_TRUE(waitForNotices(1));
    const auto first = shown().at(0).identifier;
    volume(45);
    volume(50);
    ASSERT_TRUE(pumpEventsUntil(
        [&] { return log.count("[osd] update not announced app=\"Volume\"") == 2; }, 10s))
        << log.lines.size();
    EXPECT_EQ(log.count("reason=\"x-canonical-private-synchronous hint\""), 2u);
    auto banners = shown();
    ASSERT_EQ(banners.size(), 1u) << "the same tag updates the pop-up in place";
    EXPECT_EQ(banners[0].identifier, first) << "so the reader does not announce it again";
    EXPECT_EQ(banners[0].body, "50%");
    EXPECT_EQ(bannersAtNotice.size(), 1u);

    // A progress bar updated by id: the first is news, the steps are not.
    std::string printed;
    notifySend({"-p", "-a", "Copy", "-h", "int:value:0", "Copying", "0%"}, &printed);
    ASSERT_TRUE(waitForNotices(2));
    const auto id = std::to_string(std::stoul(printed));
    const auto progress = shown().back().identifier;
    for (int step = 1; step <= 3; ++step) {
        notifySend({"-r", id, "-a", "Copy", "-h", "int:value:" + std::to_string(step * 30),
                    "Copying", std::to_string(step * 30) + "%"});
    }
    ASSERT_TRUE(pumpEventsUntil(
        [&] {
            return log.count("[osd] update not announced app=\"Copy\" reason=\"value hint\"") == 3;
        },
        10s));
    banners = shown();
    ASSERT_EQ(banners.size(), 2u);
    EXPECT_EQ(banners[1].identifier, progress);
    EXPECT_EQ(banners[1].body, "90%");

    // A plain replacement is news; so is a pop-up whose predecessor has gone.
    notifySend({"-r", id, "-a", "Copy", "Copied", "done"});
    ASSERT_TRUE(waitForNotices(3));
    EXPECT_NE(shown().back().identifier, progress);
    BusClient client;
    // The test server knows no tags: each volume call got an id of its own, all below the copy's.
    for (std::uint32_t volumeId = 1; volumeId < std::stoul(id); ++volumeId) {
        ASSERT_TRUE(client.close(volumeId));
    }
    ASSERT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 1; }, 10s));
    volume(55);
    ASSERT_TRUE(waitForNotices(4));
    EXPECT_NE(shown().back().identifier, first);
    EXPECT_EQ(log.count("[osd]"), 5u);
}

TEST_F(DbusBannerTreeTest, anUnreadableFieldLosesItselfAndLaterFieldsButNotTheNotification) {
    startServerAndAttach();
    // sd-bus refuses Unicode noncharacters that the bus itself delivers.
    auto sendRaw = [&](const std::string& json) {
        auto result =
            runCommand({"/usr/bin/python3", rawNotifyScript, json}, bus.clientEnvironment(), 15s);
        ASSERT_EQ(result.exitCode, 0) << result.output;
    };
    sendRaw(R"({"app": "Mail", "summary": "Subject", "body": "bad \uFFFE body"})");
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(shown().back().texts(), (Texts{"Mail", "Subject", ""}));

    sendRaw(R"({"app": "Mail", "summary": "bad \uFDD0 title", "body": "readable"})");
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(shown().back().texts(), (Texts{"Mail", "", ""}))
        << "fields after the unreadable one stay empty";

    // The sender stays, so its process can still be looked up when the call is read.
    auto sender = bus.start({"/usr/bin/python3", rawNotifyScript, "--linger",
                             R"({"app": "bad \uFFFF app", "summary": "Subject", "body": "text"})"});
    ASSERT_TRUE(waitForNotices(3));
    const auto python = std::filesystem::canonical("/usr/bin/python3").filename().string();
    EXPECT_EQ(shown().back().texts(), (Texts{python, "", ""}))
        << "the sender's executable names the app";
    sender.reset();

    sendRaw(R"({"app": "Mail", "summary": "hinted", "body": "text",
                "hints": {"suppress-sound": 1, "x-unrelated": "\uFFFF"}})");
    ASSERT_TRUE(waitForNotices(4));
    EXPECT_EQ(shown().back().texts(), (Texts{"Mail", "hinted", "text"}));
    EXPECT_TRUE(shown().back().quiet) << "suppress-sound sent as an int, read before the bad hint";
}

TEST_F(DbusBannerTreeTest, aRefusedNotificationLeavesTheTreeAndIsReported) {
    startServer({"--max", "1"});
    std::vector<std::string> refused;
    auto refusals = tree->observeRefusals([&](const std::string& id) { refused.push_back(id); });
    std::vector<std::string> announced;
    changes = tree->observeChanges(*tree->serverPid(),
                                   [&] { announced.push_back(shown().back().identifier); });
    BusClient client;
    ASSERT_NE(client.notify("Mail", "shown", ""), 0u);
    EXPECT_EQ(client.notify("Mail", "over the limit", ""), 0u) << "the server refuses";
    ASSERT_TRUE(pumpEventsUntil([&] { return refused.size() == 1; }, 10s));
    ASSERT_EQ(announced.size(), 2u) << "both entered the tree before the answers came";
    EXPECT_EQ(refused[0], announced[1]);
    auto banners = shown();
    ASSERT_EQ(banners.size(), 1u);
    EXPECT_EQ(banners[0].title, "shown");
}

TEST_F(DbusBannerTreeTest, burstOfFiveEntersTheTreeOneAtATime) {
    startServerAndAttach();
    for (int i = 1; i <= 5; ++i) {
        notifySend({"-a", "Burst", "Message " + std::to_string(i)});
    }
    ASSERT_TRUE(waitForNotices(5));
    pumpEventsFor(200ms);
    EXPECT_EQ(bannersAtNotice, (std::vector<size_t>{1, 2, 3, 4, 5}))
        << "each notice adds one banner";
    auto banners = shown();
    ASSERT_EQ(banners.size(), 5u);
    EXPECT_EQ(banners[4].title, "Message 5");
}

TEST_F(DbusBannerTreeTest, appNameComesWholeElseFromDesktopEntryThenProcessName) {
    startServerAndAttach();
    BusClient client;

    ASSERT_NE(client.notify("", "from entry", "", {{"desktop-entry", "corvale-test"}}), 0u);
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(shown().back().app, "Test \xEF\xBF\xBDProgram")
        << "invalid UTF-8 from a file is replaced";

    ASSERT_NE(
        client.notify(" Foo, Inc. ", "with a comma", "", {{"desktop-entry", "org.example.Chat"}}),
        0u);
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(shown().back().app, "Foo, Inc.") << "a name is not a summary to split at commas";
    EXPECT_EQ(shown().back().entry, "Chat") << "the named entry's Name goes along for the rules";

    ASSERT_NE(client.notify("  ", "from process", "", {{"desktop-entry", "../../etc/passwd"}}), 0u);
    ASSERT_TRUE(waitForNotices(3));
    // The sender is this process, whose name is longer than the kernel's 15-character "comm".
    EXPECT_EQ(shown().back().app, "corvale_adapter_tests")
        << "a blank name and a path-like entry are ignored; the executable's name is whole";

    std::string longName;
    for (int i = 0; i < 300; ++i) {
        longName += "\xC3\xA9"; // é: two bytes, one character
    }
    ASSERT_NE(client.notify(longName, "long name", ""), 0u);
    ASSERT_TRUE(waitForNotices(4));
    EXPECT_EQ(shown().back().app, longName.substr(0, 512)) << "cut to 256 characters";
}

// The bus thread's own monitor hands on each plain new notification exactly as the reader will
// read its banner, identifier included, so the dispatch can take over the sound it started; what
// the tree alone can judge (replacements, names of processes) it leaves alone.
TEST_F(DbusBannerTreeTest, theCallTapSeesPlainNotificationsAsTheReaderWill) {
    std::mutex mutex;
    std::vector<ObservedNotification> tapped;
    std::thread::id tapThread;
    NotifyCallTap tap;
    EXPECT_TRUE(tap.watching()) << "a monitor from the start";
    tap.setSeen([&](const ObservedNotification& n) {
        std::lock_guard lock(mutex);
        tapped.push_back(n);
        tapThread = std::this_thread::get_id();
    });
    startServerAndAttach();
    auto tappedCount = [&] {
        std::lock_guard lock(mutex);
        return tapped.size();
    };
    BusClient client;
    const auto id = client.notify(
        " Foo, Inc. ", "Hello <b>you</b>", "a <i>b</i> &amp; c",
        {{"desktop-entry", "org.example.Chat"}, {"sound-name", "message-new-instant"}});
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(waitForNotices(1));
    ASSERT_TRUE(pumpEventsUntil([&] { return tappedCount() == 1; }, 10s));
    const auto banner = shown().at(0);
    {
        std::lock_guard lock(mutex);
        const auto& n = tapped.at(0);
        EXPECT_EQ(n.uuid, banner.identifier);
        EXPECT_EQ((Texts{n.appName, n.title, n.body}), banner.texts());
        EXPECT_EQ(n.desktopEntryName, banner.entry);
        EXPECT_EQ(n.soundFile + " " + n.soundName, banner.sound);
        EXPECT_NE(tapThread, std::this_thread::get_id());
    }

    ASSERT_NE(client.notify("Mail", "Updated", "", {}, id), 0u);
    ASSERT_NE(client.notify("  ", "from process", ""), 0u);
    ASSERT_NE(client.notify("Mail", "Last", ""), 0u);
    ASSERT_TRUE(waitForNotices(4));
    ASSERT_TRUE(pumpEventsUntil([&] { return tappedCount() >= 2; }, 10s));
    pumpEventsFor(200ms);
    std::lock_guard lock(mutex);
    ASSERT_EQ(tapped.size(), 2u) << "a replacement or a nameless call was handed on";
    EXPECT_EQ(tapped[1].title, "Last");
    EXPECT_EQ(tapped[1].uuid, shown().back().identifier);
}

// A held Notify call waits, with everything after it, until it is resumed; then all is read in
// the order the bus brought it.
TEST_F(DbusBannerTreeTest, aHeldCallAndWhatFollowsItWaitUntilResumed) {
    startServerAndAttach();
    std::vector<std::string> asked;
    std::function<void()> resume;
    tree->setHoldBack([&](const std::string& identifier, std::function<void()> go) {
        asked.push_back(identifier);
        if (resume) {
            return false;
        }
        resume = std::move(go);
        return true;
    });
    BusClient client;
    ASSERT_NE(client.notify("Mail", "First", ""), 0u);
    ASSERT_NE(client.notify("Mail", "Second", ""), 0u);
    pumpEventsFor(300ms);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(tree->bannerCount(), 0u) << "the held call, or the one after it, was read";
    ASSERT_TRUE(resume);
    resume();
    ASSERT_TRUE(waitForNotices(2));
    const auto banners = shown();
    ASSERT_EQ(banners.size(), 2u);
    EXPECT_EQ(banners[0].identifier, asked[0]);
    EXPECT_EQ(banners[0].title, "First");
    EXPECT_EQ(banners[1].title, "Second");
    EXPECT_EQ(asked.size(), 2u) << "the resumed call is not asked about again";
}

TEST_F(DbusBannerTreeTest, gtkApplicationNotificationsAppearAndGo) {
    startServerAndAttach();
    BusClient client;
    auto add = [&](const std::string& appId, const std::string& title) {
        return client.call("org.gtk.Notifications", "/org/gtk/Notifications",
                           "org.gtk.Notifications", "AddNotification", [&](sd_bus_message* m) {
                               sd_bus_message_append(m, "ss", appId.c_str(), "n1");
                               sd_bus_message_append(m, "a{sv}", 3, "title", "s", title.c_str(),
                                                     "body", "s", "the <b>body</b>", "priority",
                                                     "s", "normal");
                           });
    };
    ASSERT_TRUE(add("org.example.Chat", "Hi"));
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(shown().at(0).texts(), (Texts{"Chat", "Hi", "the <b>body</b>"}))
        << "these bodies are plain text";

    ASSERT_TRUE(add("org.example.Chat", "Hi again"));
    ASSERT_TRUE(add("org.example.Unknown", "Other"));
    ASSERT_TRUE(waitForNotices(3));
    auto banners = shown();
    ASSERT_EQ(banners.size(), 2u) << "the same id replaces, another app adds";
    EXPECT_EQ(banners[0].title, "Hi again");
    EXPECT_EQ(banners[1].app, "org.example.Unknown")
        << "without a desktop entry the id names the app";

    ASSERT_TRUE(client.call("org.gtk.Notifications", "/org/gtk/Notifications",
                            "org.gtk.Notifications", "RemoveNotification", [](sd_bus_message* m) {
                                sd_bus_message_append(m, "ss", "org.example.Chat", "n1");
                            }));
    EXPECT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 1; }, 10s));
}

// The desktop portal's GTK backend relays a sandboxed app's notification to the unique name of
// the interface's owner, which here is not the connection that shows the other notifications.
TEST_F(DbusBannerTreeTest, gtkNotificationsSentToTheOwnersUniqueNameCount) {
    startServer({"--gtk-apart"});
    attach();
    BusClient client;
    const auto gtkOwner = client.ownerOf("org.gtk.Notifications");
    ASSERT_FALSE(gtkOwner.empty());
    ASSERT_NE(gtkOwner, client.ownerOf("org.freedesktop.Notifications"));
    auto send = [&](const char* member, const std::function<void(sd_bus_message*)>& build) {
        return client.call(gtkOwner.c_str(), "/org/gtk/Notifications", "org.gtk.Notifications",
                           member, build);
    };
    ASSERT_TRUE(send("AddNotification", [](sd_bus_message* m) {
        sd_bus_message_append(m, "ss", "org.example.Chat", "portal-1");
        sd_bus_message_append(m, "a{sv}", 1, "title", "s", "From the sandbox");
    }));
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(shown().at(0).texts(), (Texts{"Chat", "From the sandbox", ""}));

    ASSERT_TRUE(send("RemoveNotification", [](sd_bus_message* m) {
        sd_bus_message_append(m, "ss", "org.example.Chat", "portal-1");
    }));
    EXPECT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 0; }, 10s));
}

TEST_F(DbusBannerTreeTest, hostileMessagesNeitherCrashNorGrowTheTree) {
    startServer();
    BusClient client;

    // Before any reader attaches, banners wait, but only a few.
    for (int i = 0; i < 30; ++i) {
        ASSERT_NE(client.notify("Early", "held " + std::to_string(i), ""), 0u);
    }
    EXPECT_TRUE(pumpEventsUntil(
        [this] { return tree->heldCount() == DbusBannerTree::maxHeldBanners; }, 10s));
    EXPECT_EQ(tree->bannerCount(), 0u);
    attach();
    ASSERT_TRUE(waitForNotices(DbusBannerTree::maxHeldBanners));
    EXPECT_EQ(shown().front().title, "held 10") << "the oldest held banners were dropped";
    bannersAtNotice.clear();

    EXPECT_FALSE(client.call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                             "org.freedesktop.Notifications", "Notify", [](sd_bus_message* m) {
                                 sd_bus_message_append(m, "s", "wrong signature");
                             }));
    const std::string huge(1 << 20, 'x');
    ASSERT_NE(
        client.notify(std::string(5000, 'A'), std::string(100'000, 'T'), "<b>" + huge + "</b>"),
        0u);
    ASSERT_TRUE(waitForNotices(1));
    pumpEventsFor(200ms);
    EXPECT_EQ(bannersAtNotice.size(), 1u) << "the wrongly typed call added nothing";
    auto last = shown().back();
    EXPECT_EQ(last.app.size(), DbusBannerTree::maxAppNameCharacters);
    EXPECT_EQ(last.title.size(), DbusBannerTree::maxTitleBytes);
    EXPECT_EQ(last.body.size(), DbusBannerTree::maxBodyBytes);

    // Only the server may close its notifications.
    const auto id = client.notify("Spoofed", "stays", "");
    client.emitClosed(id);
    ASSERT_TRUE(waitForNotices(2));
    pumpEventsFor(200ms);
    EXPECT_EQ(shown().back().title, "stays");

    for (int i = 0; i < 250; ++i) {
        ASSERT_NE(client.notify("Flood", "flood " + std::to_string(i), ""), 0u);
    }
    ASSERT_TRUE(waitForNotices(252));
    auto banners = shown();
    ASSERT_EQ(banners.size(), DbusBannerTree::maxBanners);
    EXPECT_EQ(banners.front().title, "flood 50");
    EXPECT_EQ(banners.back().title, "flood 249");
}

TEST_F(DbusBannerTreeTest, aRestartedServerIsAnnouncedWithItsNewPid) {
    int launches = 0;
    auto launchNotices = tree->observeLaunches([&] { ++launches; });
    startServerAndAttach();
    // The first server's own launch notice arrives on the event loop; count from after it.
    ASSERT_TRUE(pumpEventsUntil([&] { return launches == 1; }, 15s));
    launches = 0;
    notifySend({"-a", "Before", "old"});
    ASSERT_TRUE(waitForNotices(1));

    const int oldPid = server->pid();
    server->signal(SIGTERM);
    server->wait(10s);
    ASSERT_TRUE(pumpEventsUntil([this] { return !tree->serverPid(); }, 10s));
    EXPECT_EQ(tree->bannerCount(), 0u) << "what the old server showed is gone";
    EXPECT_EQ(launches, 0);

    // With no server to start, the bus refuses the call, and the banner never shows.
    BusClient client;
    EXPECT_EQ(client.notify("Nobody", "refused", ""), 0u);
    pumpEventsFor(300ms);
    EXPECT_EQ(tree->heldCount(), 0u);

    server = bus.start({"/usr/bin/python3", serverScript});
    ASSERT_TRUE(pumpEventsUntil([&] { return launches == 1; }, 15s));
    EXPECT_EQ(tree->serverPid(), server->pid());
    EXPECT_NE(server->pid(), oldPid);

    notifySend({"-a", "After", "while the reader is still on the old pid"});
    ASSERT_TRUE(pumpEventsUntil([this] { return tree->heldCount() == 1; }, 10s))
        << "banners wait until a reader attaches to the new server";
    EXPECT_EQ(bannersAtNotice.size(), 1u);
    attach();
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(shown().back().app, "After");
}

TEST_F(DbusBannerTreeTest, followsARealNotificationServer) {
    // dunst on a private X display: its own ids, its own replies, its own closing signal.
    test::PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    server = bus.start({"dunst"}, {{"DISPLAY", display.name()},
                                   {"HOME", home.path().string()},
                                   {"XDG_CONFIG_HOME", (home / "config").string()}});
    ASSERT_TRUE(pumpEventsUntil([this] { return tree->serverPid() == server->pid(); }, 15s))
        << server->errors();
    attach();

    notifySend({"-a", "Real", "From dunst", "with <i>markup</i>"});
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(shown().at(0).texts(), (Texts{"Real", "From dunst", "with markup"}));

    EXPECT_EQ(runCommand({"dunstctl", "close-all"}, bus.clientEnvironment(), 15s).exitCode, 0);
    EXPECT_TRUE(pumpEventsUntil([this] { return tree->bannerCount() == 0; }, 10s));
}

TEST(DbusBannerTreeWithoutBus, saysSoOnceAndConnectsWhenABusAppears) {
    ScopedEnvironment env(
        {{"DBUS_SESSION_BUS_ADDRESS", std::nullopt}, {"XDG_RUNTIME_DIR", std::nullopt}});
    LogRecorder log;
    DbusBannerTree tree(log.fn());
    EXPECT_FALSE(tree.isTrusted());
    EXPECT_FALSE(tree.isTrusted());
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.count("[dbus] no session bus"), 1u);
    EXPECT_FALSE(tree.serverPid());
    EXPECT_FALSE(tree.observeChanges(1, [] {})) << "no observer without a monitor";

    PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    EXPECT_TRUE(tree.isTrusted()) << "each query tries again";

    // The bus going away is reported once; the tree keeps running and keeps trying.
    ::kill(bus.pid(), SIGKILL);
    EXPECT_TRUE(pumpEventsUntil([&] { return !tree.isTrusted(); }, 10s));
    EXPECT_EQ(log.count("[dbus] lost the session bus"), 1u);
    EXPECT_FALSE(tree.isTrusted());
    EXPECT_EQ(log.lines.size(), 2u) << log.lines.back();
}

} // namespace
} // namespace corvale
