#include "silence/GlobalShortcutMechanism.h"
#include "silence/GnomeKeybindings.h"
#include "silence/HotKeyRegistrar.h"
#include "silence/PortalHotKeys.h"
#include "silence/PortalTrigger.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

using namespace corvale;
using M = GlobalShortcutMechanism;

namespace {

const HotKeyModifiers all = HotKeyModifiers::control | HotKeyModifiers::option |
                            HotKeyModifiers::shift | HotKeyModifiers::command;

} // namespace

TEST(GlobalShortcutMechanism, waylandNeverGrabsAndFallsBackToTheDesktopsOwnShortcuts) {
    EXPECT_TRUE(isWaylandSession("wayland", nullptr));
    EXPECT_TRUE(isWaylandSession("x11", "wayland-0")) << "a Wayland display says so too";
    EXPECT_FALSE(isWaylandSession("x11", ""));
    EXPECT_FALSE(isWaylandSession(nullptr, nullptr));

    EXPECT_EQ(chooseGlobalShortcutMechanism({false, false, true}), M::x11KeyGrab);
    EXPECT_EQ(chooseGlobalShortcutMechanism({true, true, true}), M::desktopPortal);
    EXPECT_EQ(chooseGlobalShortcutMechanism({true, std::nullopt, false}), M::desktopPortal)
        << "a portal that has not answered is still asked";
    EXPECT_EQ(chooseGlobalShortcutMechanism({true, false, true}), M::gnomeCustomShortcut);
    EXPECT_EQ(chooseGlobalShortcutMechanism({true, false, false}), M::desktopCommand);

    EXPECT_EQ(desktopShortcutCommand("/usr/bin/corvale", "mute"), "/usr/bin/corvale mute");
    EXPECT_EQ(desktopShortcutCommand("/home/o'neil/my apps/corvale", "snooze"),
              "'/home/o'\\''neil/my apps/corvale' snooze");
}

TEST(GlobalShortcutMechanism, combosBecomeTheDesktopsShortcutStrings) {
    EXPECT_EQ(portalTrigger({46, HotKeyModifiers::control | HotKeyModifiers::option}),
              "CTRL+ALT+M");
    EXPECT_EQ(portalTrigger({24, all}), "CTRL+ALT+SHIFT+LOGO+equal") << "modifiers in order";
    EXPECT_EQ(portalTrigger({96, {}}), "F5");
    EXPECT_EQ(portalTrigger({116, HotKeyModifiers::command}), "LOGO+Page_Up");
    EXPECT_EQ(portalTrigger({49, HotKeyModifiers::control}), "CTRL+space");
    EXPECT_EQ(portalTrigger({10, HotKeyModifiers::control}), std::nullopt) << "no keysym known";

    EXPECT_EQ(
        GnomeKeybindings::accelerator({46, HotKeyModifiers::control | HotKeyModifiers::option}),
        "<Control><Alt>m");
    EXPECT_EQ(GnomeKeybindings::accelerator({42, all}), "<Control><Alt><Shift><Super>backslash");

    using GnomeKeybindings::parseList;
    EXPECT_EQ(parseList("@as []\n"), std::vector<std::string>{});
    EXPECT_EQ(parseList("['/a/b/', '/c/']\n"), (std::vector<std::string>{"/a/b/", "/c/"}));
    EXPECT_EQ(parseList("['/a/'"), std::nullopt) << "unreadable: nothing is written over it";
    EXPECT_EQ(parseList(""), std::nullopt);
    EXPECT_EQ(GnomeKeybindings::formatList({"/a/", "/c/"}), "['/a/', '/c/']");
    EXPECT_EQ(GnomeKeybindings::formatList({}), "@as []");
    EXPECT_EQ(GnomeKeybindings::quoted("it's \\ here"), "'it\\'s \\\\ here'");
}

TEST(GlobalShortcutMechanism, withoutThePortalTheLogNamesTheWayInsteadOfAnotherProgram) {
    struct NoPortal : GlobalShortcutsPortal {
        std::optional<bool> offered() const override { return false; }
        void listen(Listener) override {}
        void bind(const std::vector<Shortcut>&) override { ADD_FAILURE() << "nothing to bind"; }
    } portal;
    test::ManualScheduler scheduler;
    test::LogRecorder log;
    PortalHotKeys hotKeys(portal, scheduler, {{HotKeyRegistrar::muteHotKeyID, {"mute-all", "M"}}},
                          false, log.fn(), {});
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs{store, center};
    prefs.setMuteHotKeyCombo(HotKeyCombo{46, HotKeyModifiers::control});
    HotKeyRegistrar registrar(hotKeys, prefs, scheduler, {}, log.fn());
    registrar.registerHotKeys();
    scheduler.advance(1);
    EXPECT_FALSE(log.contains("FAILED")) << log.lines.front();
    EXPECT_TRUE(log.contains("[hotkey] mute-all: Ctrl+M is not a global shortcut here: none on "
                             "this Wayland session"));
}
