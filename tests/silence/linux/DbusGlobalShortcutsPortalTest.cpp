#include "silence/linux/DbusGlobalShortcutsPortal.h"
#include "core/SettingsPrefs.h"
#include "core/linux/QtScheduler.h"
#include "silence/HotKeyRegistrar.h"
#include "silence/PortalHotKeys.h"
#include "support/LogRecorder.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

const std::string backendScript =
    std::string(CORVALE_TEST_SUPPORT_DIR) + "/../silence/linux/global_shortcuts_backend.py";
const HotKeyCombo controlAltM{46, HotKeyModifiers::control | HotKeyModifiers::option};
const HotKeyCombo altSuperS{1, HotKeyModifiers::option | HotKeyModifiers::command};

// The real portal frontend on a private bus, finding only our test backend, with Corvale's
// shortcuts registered through it as the program does.
struct PortalSession {
    test::TempDir dir;
    test::PrivateBus bus;
    std::unique_ptr<test::ChildProcess> backend;
    std::unique_ptr<test::ChildProcess> frontend;
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs{store, center};
    QtScheduler scheduler;
    test::LogRecorder log;
    int mutes = 0;
    int snoozes = 0;
    std::optional<DbusGlobalShortcutsPortal> portal;
    std::optional<PortalHotKeys> hotKeys;
    std::optional<HotKeyRegistrar> registrar;

    explicit PortalSession(bool plasma) {
        std::filesystem::create_directories(dir.path() / "portals");
        std::ofstream(dir.path() / "portals" / "corvaletest.portal")
            << "[portal]\nDBusName=org.freedesktop.impl.portal.desktop.corvaletest\n"
               "Interfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=corvaletest\n";
        std::vector<std::string> argv = {"/usr/bin/python3", backendScript};
        if (plasma) {
            argv.push_back("--plasma");
        }
        backend = bus.start(argv);
        test::waitUntil([&] { return backend->output().find("ready") != std::string::npos; }, 10s);
        startFrontend();
    }

    void startFrontend() {
        // The frontend's own services (document portal, permission store) are absent on this
        // bus; it goes on without them.
        frontend = bus.start({"/usr/libexec/xdg-desktop-portal", "--replace"},
                             {{"XDG_DESKTOP_PORTAL_DIR", (dir.path() / "portals").string()},
                              {"XDG_CURRENT_DESKTOP", "corvaletest"},
                              {"XDG_RUNTIME_DIR", dir.path().string()},
                              {"GIO_USE_VFS", "local"}});
        test::waitUntil([&] { return bus.ownerPid("org.freedesktop.portal.Desktop").has_value(); },
                        10s);
    }

    void startCorvale() {
        portal.emplace();
        hotKeys.emplace(*portal, scheduler,
                        std::map<std::uint32_t, PortalHotKeys::Name>{
                            {HotKeyRegistrar::muteHotKeyID, {"mute-all", "Mute all sounds"}},
                            {HotKeyRegistrar::snoozeHotKeyID, {"snooze", "Snooze sounds"}}},
                        false, log.fn(), [] {});
        registrar.emplace(*hotKeys, prefs, scheduler,
                          HotKeyRegistrar::Actions{[this] { ++mutes; }, [this] { ++snoozes; }},
                          log.fn());
        prefs.setMuteHotKeyCombo(controlAltM);
        prefs.setSnoozeHotKeyCombo(altSuperS);
        registrar->registerHotKeys();
    }

    int creates() const {
        int count = 0;
        const auto out = backend->output();
        for (auto at = out.find("create "); at != std::string::npos;
             at = out.find("create ", at + 1)) {
            ++count;
        }
        return count;
    }

    bool assigned(std::uint32_t id, const std::string& trigger) {
        return test::pumpEventsUntil([&] { return hotKeys->assignedTrigger(id) == trigger; }, 10s);
    }

    int control(const std::string& method, const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv = {"dbus-send",     "--session",
                                         "--print-reply", "--dest=com.talvo.test.Shortcuts",
                                         "/control",      "com.talvo.test.Shortcuts." + method};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::runCommand(argv, bus.clientEnvironment(), 10s).exitCode;
    }
};

} // namespace

TEST(DbusGlobalShortcutsPortal, registersTheCombosAndPressesReachTheActions) {
    PortalSession session(false);
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    ASSERT_TRUE(session.frontend->running()) << session.frontend->errors();
    session.startCorvale();
    ASSERT_EQ(session.portal->offered(), std::optional<bool>(true)) << session.frontend->errors();

    EXPECT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+ALT+M"))
        << session.backend->output() << session.frontend->errors();
    EXPECT_TRUE(session.assigned(HotKeyRegistrar::snoozeHotKeyID, "ALT+LOGO+S"));
    EXPECT_FALSE(session.hotKeys->setInDesktopSettings());
    EXPECT_NE(
        session.backend->output().find("create corvale mute-all=CTRL+ALT+M,snooze=ALT+LOGO+S"),
        std::string::npos)
        << "one session, named for us, with the shortcuts in its options";
    EXPECT_EQ(session.creates(), 1) << "both registrations went in one session";

    ASSERT_EQ(session.control("Activate", {"string:mute-all"}), 0);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return session.mutes == 1; }, 10s));
    EXPECT_EQ(session.snoozes, 0);

    // A changed combo replaces the session: the token is free again once the old one closed.
    session.prefs.setMuteHotKeyCombo(HotKeyCombo{46, HotKeyModifiers::control});
    session.registrar->registerHotKeys();
    EXPECT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+M"))
        << session.backend->output();
    EXPECT_NE(session.backend->output().find("closed-by-client"), std::string::npos);
}

TEST(DbusGlobalShortcutsPortal, registersAgainWhenTheSessionClosesOrThePortalRestarts) {
    PortalSession session(false);
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    session.startCorvale();
    ASSERT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+ALT+M"))
        << session.backend->output() << session.frontend->errors();

    ASSERT_EQ(session.control("CloseSessions"), 0);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return session.creates() == 2; }, 10s))
        << session.backend->output() << session.frontend->errors();
    ASSERT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+ALT+M"));

    session.frontend->signal(SIGTERM);
    session.frontend->wait(5s);
    session.startFrontend();
    EXPECT_TRUE(test::pumpEventsUntil([&] { return session.creates() == 3; }, 10s))
        << session.backend->output();
    EXPECT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+ALT+M"));
    ASSERT_EQ(session.control("Activate", {"string:snooze"}), 0);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return session.snoozes == 1; }, 10s));
}

TEST(DbusGlobalShortcutsPortal, aBackendThatOnlyReadsTheSessionOptionsStillGetsTheShortcuts) {
    PortalSession session(true);
    ASSERT_TRUE(session.bus.ready()) << session.bus.setupError();
    session.startCorvale();
    // BindShortcuts answers with nothing; the shortcuts came in CreateSession's options.
    EXPECT_TRUE(session.assigned(HotKeyRegistrar::muteHotKeyID, "CTRL+ALT+M"))
        << session.backend->output() << session.frontend->errors();
    EXPECT_TRUE(session.hotKeys->setInDesktopSettings());
    ASSERT_EQ(session.control("Activate", {"string:mute-all"}), 0);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return session.mutes == 1; }, 10s));
}
