#include "silence/linux/DesktopDoNotDisturb.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace corvale;
using namespace std::chrono_literals;
using corvale::test::ScopedEnvironment;

namespace {

const std::string serverScript = std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py";

struct Report {
    bool on;
    bool initial;
    friend bool operator==(const Report&, const Report&) = default;
};

struct Recorder {
    std::vector<Report> reports;
    size_t checked = 0;
    DesktopDoNotDisturb::ChangeFn fn() {
        return [this](bool on, bool initial) { reports.push_back({on, initial}); };
    }
    bool waitFor(size_t count) {
        return test::pumpEventsUntil([&] { return reports.size() >= count; }, 10s);
    }
    // Waits for the report after the ones already checked and checks it.
    ::testing::AssertionResult next(bool on, bool initial = false) {
        if (!waitFor(checked + 1)) {
            return ::testing::AssertionFailure() << "no report after " << checked;
        }
        const Report got = reports[checked++];
        if (got == Report{on, initial}) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "report " << checked << " is on=" << got.on << " initial=" << got.initial;
    }
};

std::unique_ptr<test::ChildProcess> startServer(test::PrivateBus& bus,
                                                const std::vector<std::string>& flags) {
    std::vector<std::string> argv = {"/usr/bin/python3", serverScript};
    argv.insert(argv.end(), flags.begin(), flags.end());
    auto server = bus.start(argv);
    test::waitUntil(
        [&] { return server->output().find("ready") != std::string::npos || !server->running(); },
        10s);
    return server;
}

int control(test::PrivateBus& bus, const std::string& method, bool value) {
    return test::runCommand(
               {"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.Notifications",
                "/org/freedesktop/Notifications", "com.talvo.test.DoNotDisturb." + method,
                std::string("boolean:") + (value ? "true" : "false")},
               bus.clientEnvironment(), 10s)
        .exitCode;
}

int showBanners(bool value) {
    return test::runCommand({"gsettings", "set", "org.gnome.desktop.notifications", "show-banners",
                             value ? "true" : "false"},
                            {}, 20s)
        .exitCode;
}

} // namespace

TEST(DesktopDoNotDisturb, followsTheNotificationServersInhibitedProperty) {
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", "KDE"}});
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    auto server = startServer(bus, {"--inhibitable"});
    ASSERT_TRUE(server->running()) << server->errors();

    Recorder recorder;
    DesktopDoNotDisturb dnd(recorder.fn());
    EXPECT_TRUE(recorder.next(false, true));
    EXPECT_EQ(dnd.serverInhibited(), std::optional<bool>(false));
    EXPECT_EQ(dnd.gnomeShowBanners(), std::nullopt) << "GNOME's setting is not ours to follow";

    ASSERT_EQ(control(bus, "SetInhibited", true), 0);
    EXPECT_TRUE(recorder.next(true));

    // Saying the same again is no change.
    ASSERT_EQ(control(bus, "SetInhibited", true), 0);
    // A server that only says the property changed is asked for the new value.
    ASSERT_EQ(control(bus, "SetInhibitedQuietly", false), 0);
    EXPECT_TRUE(recorder.next(false));
    ASSERT_EQ(control(bus, "SetInhibited", true), 0);
    EXPECT_TRUE(recorder.next(true));

    // The server going away ends its do-not-disturb; a new one is read as it arrives.
    server->signal(SIGTERM);
    server->wait(5s);
    EXPECT_TRUE(recorder.next(false));
    EXPECT_EQ(dnd.serverInhibited(), std::nullopt);
    auto next = startServer(bus, {"--inhibited"});
    EXPECT_TRUE(recorder.next(true));
}

TEST(DesktopDoNotDisturb, believesOnlyTheServerAboutItsProperty) {
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", std::nullopt}});
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    auto server = startServer(bus, {"--inhibitable"});
    Recorder recorder;
    DesktopDoNotDisturb dnd(recorder.fn());
    ASSERT_TRUE(recorder.waitFor(1));

    // Any program can send a signal that looks like the server's.
    const auto impostor =
        test::runCommand({"/usr/bin/python3", "-c",
                          "import dbus\n"
                          "bus = dbus.SessionBus()\n"
                          "m = dbus.lowlevel.SignalMessage('/org/freedesktop/Notifications',"
                          " 'org.freedesktop.DBus.Properties', 'PropertiesChanged')\n"
                          "m.append('org.freedesktop.Notifications',"
                          " dbus.Dictionary({'Inhibited': dbus.Boolean(True)}, signature='sv'),"
                          " dbus.Array([], signature='s'))\n"
                          "bus.send_message(m)\n"
                          "bus.flush()\n"},
                         bus.clientEnvironment(), 10s);
    ASSERT_EQ(impostor.exitCode, 0);
    test::pumpEventsFor(300ms);
    EXPECT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(dnd.serverInhibited(), std::optional<bool>(false));
}

TEST(DesktopDoNotDisturb, aServerWithoutTheSwitchOrNoServerAtAllIsOff) {
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", "XFCE"}});
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    {
        Recorder recorder;
        DesktopDoNotDisturb dnd(recorder.fn());
        ASSERT_TRUE(test::pumpEventsUntil(
            [&] { return !recorder.reports.empty(); },
            std::chrono::milliseconds(DesktopDoNotDisturb::initialWaitMs / 2)))
            << "with nothing to wait for, the first report comes at once";
        EXPECT_EQ(recorder.reports[0], (Report{false, true}));
        EXPECT_EQ(dnd.state(), std::nullopt);
    }
    auto server = startServer(bus, {});
    ASSERT_TRUE(server->running()) << server->errors();
    Recorder recorder;
    DesktopDoNotDisturb dnd(recorder.fn());
    EXPECT_TRUE(recorder.next(false, true));
    EXPECT_EQ(dnd.serverInhibited(), std::nullopt);

    // Without any session bus it still reports, from the event loop.
    test::TempDir dir;
    env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "none").string());
    Recorder lonely;
    DesktopDoNotDisturb alone(lonely.fn());
    EXPECT_TRUE(lonely.reports.empty()) << "never from inside the constructor";
    EXPECT_TRUE(lonely.next(false, true));
}

TEST(DesktopDoNotDisturb, followsGnomeBannersSettingOnGnome) {
    test::TempDir home;
    const auto config = home / "config";
    const auto runtime = home / "runtime";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"},
                           {"XDG_CONFIG_HOME", config.string()},
                           {"XDG_RUNTIME_DIR", runtime.string()},
                           {"GSETTINGS_BACKEND", "dconf"}});
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    ASSERT_TRUE(bus.addService("ca.desrt.dconf", {"/usr/libexec/dconf-service"}));
    ASSERT_EQ(showBanners(false), 0);

    Recorder recorder;
    {
        DesktopDoNotDisturb dnd(recorder.fn());
        EXPECT_TRUE(recorder.next(true, true));
        EXPECT_EQ(dnd.gnomeShowBanners(), std::optional<bool>(false));

        ASSERT_EQ(showBanners(true), 0);
        EXPECT_TRUE(recorder.next(false));
        ASSERT_EQ(showBanners(false), 0);
        EXPECT_TRUE(recorder.next(true));
    }

    // Where the setting does not exist there is nothing to follow.
    env.set("XDG_DATA_DIRS", (home / "no-schemas").string());
    Recorder without;
    DesktopDoNotDisturb dnd(without.fn());
    EXPECT_TRUE(without.next(false, true));
    EXPECT_EQ(dnd.gnomeShowBanners(), std::nullopt);
}

TEST(DesktopDoNotDisturb, recognisesGnomeAmongTheCurrentDesktops) {
    for (const char* yes :
         {"GNOME", "gnome", "ubuntu:GNOME", "GNOME-Classic:GNOME", "Unity:GNOME:"}) {
        EXPECT_TRUE(DesktopDoNotDisturb::desktopIsGnome(yes)) << yes;
    }
    for (const char* no : {"", "KDE", "X-GNOME", "GNOME-Flashback", "XFCE:GNOMEX", ":"}) {
        EXPECT_FALSE(DesktopDoNotDisturb::desktopIsGnome(no)) << no;
    }
    EXPECT_FALSE(DesktopDoNotDisturb::desktopIsGnome(nullptr));
}

// `dunstctl set-paused true` hides notifications: the real dunst's paused state is followed.
TEST(DesktopDoNotDisturb, followsDunstsPausedState) {
    test::TempDir home;
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", std::nullopt},
                           {"XDG_CONFIG_HOME", (home / "config").string()},
                           {"HOME", home.path().string()}});
    test::PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    auto dunstEnv = display.clientEnvironment();
    auto dunst = bus.start({"dunst"}, dunstEnv);
    ASSERT_TRUE(test::waitUntil(
        [&] { return bus.ownerPid("org.freedesktop.Notifications") == dunst->pid(); }, 15s))
        << dunst->errors();
    auto dunstctl = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "dunstctl");
        return test::runCommand(args, bus.clientEnvironment(), 10s);
    };
    ASSERT_EQ(dunstctl({"set-paused", "true"}).exitCode, 0);

    Recorder recorder;
    DesktopDoNotDisturb dnd(recorder.fn());
    EXPECT_TRUE(recorder.next(true, true)) << "paused before we started";
    EXPECT_EQ(dnd.dunstPaused(), std::optional<bool>(true));
    EXPECT_EQ(dnd.serverInhibited(), std::nullopt) << "dunst has no Inhibited property";

    ASSERT_EQ(dunstctl({"set-paused", "false"}).exitCode, 0);
    EXPECT_TRUE(recorder.next(false));
    ASSERT_EQ(dunstctl({"set-paused", "toggle"}).exitCode, 0);
    EXPECT_TRUE(recorder.next(true));

    // Paused ends with dunst.
    dunst->signal(SIGTERM);
    dunst->wait(5s);
    EXPECT_TRUE(recorder.next(false));
    EXPECT_EQ(dnd.dunstPaused(), std::nullopt);
}

// xfce4-notifyd keeps its do-not-disturb in xfconf; the real settings daemon is asked and followed.
TEST(DesktopDoNotDisturb, followsXfceNotifydDoNotDisturbSetting) {
    test::TempDir home;
    ScopedEnvironment env({{"XDG_CURRENT_DESKTOP", "XFCE"},
                           {"XDG_CONFIG_HOME", (home / "config").string()},
                           {"HOME", home.path().string()}});
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    auto xfconf = [&](const std::string& value) {
        return test::runCommand({"xfconf-query", "-c", "xfce4-notifyd", "-p", "/do-not-disturb",
                                 "-n", "-t", "bool", "-s", value},
                                bus.clientEnvironment(), 20s)
            .exitCode;
    };
    {
        // No settings daemon running: nothing is started to ask it.
        Recorder recorder;
        DesktopDoNotDisturb dnd(recorder.fn());
        EXPECT_TRUE(recorder.next(false, true));
        EXPECT_FALSE(bus.ownerPid("org.xfce.Xfconf"));
    }
    // The daemon as the session bus would start it, wherever the architecture puts it.
    const std::string service =
        test::readFile("/usr/share/dbus-1/services/org.xfce.Xfconf.service");
    const auto exec = service.find("Exec=");
    ASSERT_NE(exec, std::string::npos) << "xfconf is not installed";
    auto daemon = bus.start({service.substr(exec + 5, service.find('\n', exec) - exec - 5)});
    ASSERT_TRUE(test::waitUntil([&] { return bus.ownerPid("org.xfce.Xfconf").has_value(); }, 15s))
        << daemon->errors();
    ASSERT_EQ(xfconf("true"), 0);

    Recorder recorder;
    DesktopDoNotDisturb dnd(recorder.fn());
    EXPECT_TRUE(recorder.next(true, true));
    EXPECT_EQ(dnd.xfceDoNotDisturb(), std::optional<bool>(true));
    ASSERT_EQ(xfconf("false"), 0);
    EXPECT_TRUE(recorder.next(false));
    ASSERT_EQ(xfconf("true"), 0);
    EXPECT_TRUE(recorder.next(true));
    // Reset to its default (removed) is off.
    ASSERT_EQ(
        test::runCommand({"xfconf-query", "-c", "xfce4-notifyd", "-p", "/do-not-disturb", "-r"},
                         bus.clientEnvironment(), 20s)
            .exitCode,
        0);
    EXPECT_TRUE(recorder.next(false));
}
