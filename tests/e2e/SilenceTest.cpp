#include "e2e/CorvaleTest.h"

#include "support/OtherXClient.h"
#include "support/PrivateDisplay.h"

using namespace corvale::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

struct Silence : CorvaleTest {
    void SetUp() override {
        CorvaleTest::SetUp();
        server = session.startNotificationServer();
    }

    ::testing::AssertionResult line(const std::string& text, size_t times = 1,
                                    std::chrono::milliseconds timeout = 15s) {
        return CorvaleSession::hasLine(*corvale, text, times, timeout);
    }

    void startCorvale(std::map<std::string, std::optional<std::string>> extra = {}) {
        corvale = session.startCorvale(std::move(extra));
        ASSERT_TRUE(line("[attach] OK pid="));
        // Commands find the program by its bus name, which it takes once it listens.
        ASSERT_TRUE(line("[bus] owns com.talvo.corvale"));
    }

    void stopCorvale() {
        corvale->signal(SIGTERM);
        ASSERT_EQ(corvale->wait(10s), 0);
    }

    void notify(const std::string& app, const std::string& title) {
        ASSERT_EQ(session.run({"notify-send", "-a", app, title, ""}).exitCode, 0);
    }
};

json rule(const std::string& app, bool respectFocus) {
    return {{"id", app == "Slack" ? "0F8FAD5B-D9CB-469F-A165-70867728950E"
                                  : "1F8FAD5B-D9CB-469F-A165-70867728950E"},
            {"appBundleId", app},
            {"appDisplayName", app},
            {"respectFocus", respectFocus}};
}

} // namespace

TEST_F(Silence, snoozeSurvivesARestartAndEndsByItself) {
    startCorvale();
    ASSERT_EQ(session.command({"snooze", "1"}).exitCode, 0);
    ASSERT_TRUE(line("[intent] snooze 1 min"));
    notify("Slack", "while snoozed");
    ASSERT_TRUE(line("[snooze] active - skipped app=\"Slack\""));

    stopCorvale();
    startCorvale();
    EXPECT_TRUE(line("[snooze] resumed after relaunch - 1 min left"));

    // Shorten the stored deadline to a few seconds, as if the minute had nearly run, and relaunch.
    stopCorvale();
    auto prefs = json::parse(readFile(session.config / "preferences.json"));
    auto now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    prefs["snoozeDeadline"] = now + 2.0;
    writeFile(session.config / "preferences.json", prefs.dump());
    startCorvale();
    ASSERT_TRUE(line("[snooze] resumed after relaunch - 1 min left"));
    ASSERT_TRUE(line("[snooze] expired - sounds resume", 1, 10s));
    EXPECT_FALSE(
        json::parse(readFile(session.config / "preferences.json")).contains("snoozeDeadline"));
    notify("Slack", "after the snooze");
    EXPECT_TRUE(line("[action] app=\"Slack\""));
}

TEST_F(Silence, garbageCommandsAreRefusedOrIgnored) {
    startCorvale();
    auto badMinutes = session.command({"snooze", "soon"});
    EXPECT_NE(badMinutes.exitCode, 0);
    EXPECT_NE(session.command({"snooze", "99999999999999999999999"}).exitCode, 0);
    EXPECT_NE(session.command({"focus", "maybe"}).exitCode, 0);
    for (const char* text : {"'garbage'", "'snooze:'", "'MUTE'"}) {
        EXPECT_EQ(session
                      .run({"gdbus", "emit", "--session", "--object-path", "/com/talvo/corvale",
                            "--signal", "com.talvo.corvale.soundCommand", text})
                      .exitCode,
                  0);
    }
    // A real command after the garbage is the first thing corvale acts on.
    ASSERT_EQ(session.command({"resume"}).exitCode, 0);
    ASSERT_TRUE(line("[intent] resume - no active snooze"));
    EXPECT_EQ(CorvaleSession::count(*corvale, "[intent]"), 1u) << corvale->output();
    EXPECT_TRUE(corvale->running());
}

TEST_F(Silence, soundCommandsSayWhenCorvaleIsNotRunning) {
    for (const auto& words : std::vector<std::vector<std::string>>{{"mute"}, {"snooze", "10"}}) {
        auto lost = session.command(words);
        EXPECT_EQ(lost.exitCode, 1) << words[0];
        EXPECT_NE(lost.errors.find("Corvale is not running; the command was not sent"),
                  std::string::npos)
            << lost.errors;
    }
    auto zero = session.command({"snooze", "0"});
    EXPECT_EQ(zero.exitCode, 2);
    EXPECT_NE(zero.errors.find("MINUTES must be from 1 to 1440"), std::string::npos) << zero.errors;
    EXPECT_EQ(session.command({"focus", "on"}).exitCode, 0) << "saved for the next start";

    startCorvale();
    EXPECT_EQ(session.bus.ownerPid("com.talvo.corvale"), std::optional<int>(corvale->pid()));
    EXPECT_TRUE(line("[focus-filter] initial silence=true"));
    ASSERT_EQ(session.command({"snooze", "10"}).exitCode, 0);
    EXPECT_TRUE(line("[intent] snooze 10 min"));
}

// `dunstctl set-paused true` hides notifications; the rules that respect Focus fall silent too.
TEST_F(Silence, pausingDunstSilencesRulesThatRespectFocus) {
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    server.reset();
    ASSERT_TRUE(
        waitUntil([&] { return !session.bus.ownerPid("org.freedesktop.Notifications"); }, 10s));
    auto dunstEnv = display.clientEnvironment();
    dunstEnv["HOME"] = session.home.path().string();
    dunstEnv["XDG_CONFIG_HOME"] = (session.home / "config").string();
    auto dunst = session.bus.start({"dunst"}, dunstEnv);
    ASSERT_TRUE(waitUntil(
        [&] { return session.bus.ownerPid("org.freedesktop.Notifications") == dunst->pid(); }, 15s))
        << dunst->errors();
    json rules = {{"rules", {rule("Slack", false), rule("*", true)}}, {"version", 1}};
    rules["rules"][1]["appDisplayName"] = "All other apps";
    writeFile(session.support / "rules.json", rules.dump());
    startCorvale();

    ASSERT_EQ(session.run({"dunstctl", "set-paused", "true"}).exitCode, 0);
    ASSERT_TRUE(line("[focus-filter] silence=true (Focus Filter perform)"));
    notify("Mail", "while dunst is paused");
    ASSERT_TRUE(line("[focus] suppressed app=\"Mail\""));

    ASSERT_EQ(session.run({"dunstctl", "set-paused", "false"}).exitCode, 0);
    ASSERT_TRUE(line("[focus-filter] silence=false (Focus Filter perform)"));
    notify("Mail", "after the pause");
    EXPECT_TRUE(line("[action] app=\"Mail\""));

    // Do-not-disturb that ends while Corvale is away (a new login starts dunst unpaused) does not
    // leave its silence behind at the next start.
    ASSERT_EQ(session.run({"dunstctl", "set-paused", "true"}).exitCode, 0);
    ASSERT_TRUE(line("[focus-filter] silence=true (Focus Filter perform)", 2));
    stopCorvale();
    ASSERT_EQ(session.run({"dunstctl", "set-paused", "false"}).exitCode, 0);
    startCorvale();
    ASSERT_TRUE(line("[focus-filter] silence=false (Focus Filter perform)"));
    notify("Mail", "after a restart");
    EXPECT_TRUE(line("[action] app=\"Mail\""));
}

TEST_F(Silence, commandsWithoutASessionBusFailClearly) {
    auto env = session.env();
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (session.home / "no-bus").string();
    auto mute = runCommand({CORVALE_BINARY, "mute"}, env, 10s);
    EXPECT_NE(mute.exitCode, 0);
    EXPECT_NE(mute.errors.find("corvale: "), std::string::npos) << mute.errors;
}

TEST_F(Silence, globalShortcutsFireAndAHeldCombinationIsReported) {
    PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    // Option-Command-M mutes; Control-Option-S snoozes, but another program holds Control-Alt-S.
    writeFile(session.config / "preferences.json", json{{"muteHotKeyCode", 46},
                                                        {"muteHotKeyModifiers", 2 | 8},
                                                        {"snoozeHotKeyCode", 1},
                                                        {"snoozeHotKeyModifiers", 1 | 2}}
                                                       .dump());
    OtherXClient other(display.name());
    ASSERT_TRUE(other.grab('s', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));

    startCorvale({{"DISPLAY", display.name()}});
    ASSERT_TRUE(line("[hotkey] mute-all: registered "));
    EXPECT_TRUE(line("FAILED to register"));
    EXPECT_TRUE(line("(in use by another app?)"));

    ASSERT_EQ(display.run({"xdotool", "key", "--clearmodifiers", "alt+super+m"}).exitCode, 0);
    EXPECT_TRUE(line("[hotkey] mute-all fired \u2192 play-sounds = false"));
    ASSERT_EQ(display.run({"xdotool", "key", "--clearmodifiers", "alt+super+m"}).exitCode, 0);
    EXPECT_TRUE(line("[hotkey] mute-all fired \u2192 play-sounds = true"));
}
