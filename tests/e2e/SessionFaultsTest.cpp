// The real corvale when parts of the desktop session die under it: the notification server in the
// middle of a burst, and the X server. Whatever happens, the data files stay whole.

#include "e2e/CorvaleTest.h"

#include "support/PrivateDisplay.h"

#include <set>

using namespace corvale::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

struct SessionFaults : CorvaleTest {
    void SetUp() override {
        CorvaleTest::SetUp();
        // Sounds off: these are about detection and the files, not an audio server.
        writeFile(session.config / "preferences.json", "{\"soundsEnabled\": false}");
    }

    void notify(const std::string& app, const std::string& title) {
        ASSERT_EQ(session.run({"notify-send", "-a", app, title, "body"}).exitCode, 0);
    }

    // Every data file parses as one complete version and no temporary file is left over.
    void expectWholeDataFiles() const {
        for (const auto& entry : std::filesystem::directory_iterator(session.support)) {
            const auto name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".tmp")) << name << " was left half-written";
            if (name.ends_with(".json")) {
                EXPECT_TRUE(json::parse(readFile(entry.path()), nullptr, false).is_object())
                    << name << " is not whole";
            }
        }
        EXPECT_TRUE(
            json::parse(readFile(session.config / "preferences.json"), nullptr, false).is_object());
    }
};

} // namespace

TEST_F(SessionFaults, notificationServerKilledInABurstIsReattachedAndNothingRepeats) {
    startBoth();
    auto flood = session.bus.start({"/usr/bin/python3",
                                    std::string(CORVALE_E2E_DIR) + "/send_notifications.py",
                                    "flood", "3000"});
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "DETECTED #20 ", 1, 60s));
    server->signal(SIGKILL);
    ASSERT_TRUE(server->wait(10s));
    // The sender's calls fail once the server is gone; how it ends does not matter.
    flood->wait(60s);

    server = session.startNotificationServer();
    ASSERT_TRUE(CorvaleSession::hasLine(
        *corvale, "[attach] OK pid=" + std::to_string(server->pid()), 1, 15s));
    notify("Mail", "after the burst");
    // It queues behind what is left of the burst; on a busy machine that takes a while.
    ASSERT_TRUE(
        CorvaleSession::hasLine(*corvale, "app=\"Mail\" title=\"after the burst\"", 1, 90s));
    EXPECT_TRUE(corvale->running());

    // Every notification of the burst was announced once at most.
    const std::string out = corvale->output();
    std::set<std::string> titles;
    for (size_t at = out.find("DETECTED #"); at != std::string::npos;
         at = out.find("DETECTED #", at + 1)) {
        const auto title = out.find(" title=\"", at);
        const auto end = out.find('"', title + 8);
        ASSERT_NE(end, std::string::npos);
        const auto text = out.substr(title, end - title);
        EXPECT_TRUE(titles.insert(text).second) << "announced twice:" << text;
    }
    // Looked at once it has ended: while it runs, a save may be between its write and its rename.
    corvale->signal(SIGTERM);
    EXPECT_EQ(corvale->wait(15s), 0);
    expectWholeDataFiles();
}

TEST_F(SessionFaults, theXServerGoingAwayEndsItCleanly) {
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    // A global shortcut, so Corvale holds a live connection to the display.
    writeFile(session.config / "preferences.json",
              json{{"soundsEnabled", false}, {"muteHotKeyCode", 46}, {"muteHotKeyModifiers", 2 | 8}}
                  .dump());
    startBoth({{"DISPLAY", display.name()}});
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "[hotkey] mute-all: registered "));
    notify("Mail", "before the display goes");
    ASSERT_TRUE(CorvaleSession::hasLine(*corvale, "DETECTED #1 "));

    display.kill();
    const auto exitCode = corvale->wait(15s);
    ASSERT_TRUE(exitCode) << "corvale kept running without its display\n" << corvale->output();
    // Our own quit ends with 0; Qt's display code, where it runs, ends the process with 1.
    EXPECT_LT(*exitCode, 128) << "ended by a signal\n" << corvale->output() << corvale->errors();
    expectWholeDataFiles();
}
