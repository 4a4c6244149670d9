#include "silence/linux/X11Keyboard.h"
#include "core/linux/QtScheduler.h"
#include "silence/GlobalHotKey.h"
#include "silence/HotKeyRecorder.h"
#include "silence/HotKeyRegistrar.h"
#include "support/LogRecorder.h"
#include "support/PrivateDisplay.h"

#include "support/QtEventLoop.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>
#include <thread>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xkbcommon/xkbcommon-keysyms.h>

using namespace corvale;
using namespace corvale::test;
using namespace std::chrono_literals;

namespace {

const HotKeyCombo controlOptionM{46, HotKeyModifiers::control | HotKeyModifiers::option};
const HotKeyCombo controlOptionK{40, HotKeyModifiers::control | HotKeyModifiers::option};
const HotKeyCombo controlOptionL{37, HotKeyModifiers::control | HotKeyModifiers::option};
const HotKeyCombo shiftCommandK{40, HotKeyModifiers::shift | HotKeyModifiers::command};
const HotKeyCombo f5{96, {}};

// Another X client of the test, to hold grabs and read the keyboard's state.
struct OtherClient {
    explicit OtherClient(const std::string& display)
        : connection(xcb_connect(display.c_str(), nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(connection); }

    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        auto* symbols = xcb_key_symbols_alloc(connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return first;
    }
    bool grab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        auto cookie = xcb_grab_key_checked(connection, 0, root, modifiers, keycode(keysym),
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        auto* error = xcb_request_check(connection, cookie);
        std::free(error);
        return error == nullptr;
    }
    // Moves every key of one modifier to another, as xmodmap would.
    bool moveModifier(int from, int to) {
        auto* reply = xcb_get_modifier_mapping_reply(connection,
                                                     xcb_get_modifier_mapping(connection), nullptr);
        if (!reply) {
            return false;
        }
        const int per = reply->keycodes_per_modifier;
        std::vector<xcb_keycode_t> map(xcb_get_modifier_mapping_keycodes(reply),
                                       xcb_get_modifier_mapping_keycodes(reply) + 8 * per);
        std::free(reply);
        for (int j = 0; j < per; ++j) {
            map[to * per + j] = map[from * per + j];
            map[from * per + j] = 0;
        }
        auto* set = xcb_set_modifier_mapping_reply(
            connection,
            xcb_set_modifier_mapping(connection, static_cast<std::uint8_t>(per), map.data()),
            nullptr);
        const bool done = set && set->status == XCB_MAPPING_STATUS_SUCCESS;
        std::free(set);
        return done;
    }
    std::uint16_t modifierState() {
        auto* reply =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
        const std::uint16_t mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

    xcb_connection_t* connection;
    xcb_window_t root = 0;
};

struct X11KeyboardTest : ::testing::Test {
    PrivateDisplay display;
    std::unique_ptr<X11Keyboard> keyboard;

    void SetUp() override {
        ASSERT_TRUE(display.ready()) << display.setupError();
        keyboard = std::make_unique<X11Keyboard>(display.name());
        ASSERT_TRUE(keyboard->connected());
    }

    // Runs xdotool on the test display while the event loop keeps turning, until it has ended
    // and condition holds.
    bool xdotool(std::vector<std::string> args, const std::function<bool()>& condition) {
        args.insert(args.begin(), "xdotool");
        auto child = display.start(args);
        const bool done = pumpEventsUntil([&] { return !child->running() && condition(); }, 10s);
        EXPECT_EQ(child->wait(1s), 0) << "xdotool failed: " << child->errors();
        return done;
    }

    std::unique_ptr<GlobalHotKey> counted(const HotKeyCombo& combo, std::uint32_t id, int& count) {
        return GlobalHotKey::create(*keyboard, combo, id, [&count] { ++count; });
    }
};

} // namespace

TEST_F(X11KeyboardTest, pressedShortcutsRunTheirOwnActionsFromTheEventLoop) {
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs(store, center);
    QtScheduler scheduler;
    LogRecorder log;
    int mutes = 0, snoozes = 0;
    prefs.setMuteHotKeyCombo(controlOptionM);
    prefs.setSnoozeHotKeyCombo(shiftCommandK);
    HotKeyRegistrar registrar(*keyboard, prefs, scheduler, {[&] { ++mutes; }, [&] { ++snoozes; }},
                              log.fn());
    registrar.registerHotKeys();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"[hotkey] mute-all: registered ⌃⌥M",
                                                   "[hotkey] snooze: registered ⇧⌘K"}));

    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "ctrl+alt+m"}, [&] { return mutes == 1; }))
        << "control and option are Control and Alt";
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "super+shift+k"}, [&] { return snoozes == 1; }))
        << "command is Super";
    EXPECT_EQ(mutes, 1);

    // Re-registering (as a preference change does) keeps both shortcuts working.
    registrar.registerHotKeys();
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "ctrl+alt+m", "super+shift+k"},
                        [&] { return mutes == 2 && snoozes == 2; }));
}

TEST_F(X11KeyboardTest, onlyTheExactModifiersFireAndAHeldKeyFiresOnce) {
    int combos = 0, functionKey = 0;
    auto combo = counted(controlOptionM, 1, combos);
    auto alone = counted(f5, 2, functionKey);
    ASSERT_TRUE(combo && alone);

    // F5 alone marks the end: presses arrive in order, so whatever fired before it has been seen.
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "ctrl+m", "alt+m", "m", "ctrl+alt+shift+m",
                         "super+ctrl+alt+m", "F5"},
                        [&] { return functionKey == 1; }));
    EXPECT_EQ(combos, 0) << "more or fewer modifiers are another shortcut";

    EXPECT_TRUE(
        xdotool({"keydown", "ctrl+alt+m", "sleep", "1.2", "keyup", "ctrl+alt+m", "key", "F5"},
                [&] { return functionKey == 2; }));
    EXPECT_EQ(combos, 1) << "auto-repeat of a held shortcut is not another press";
}

TEST_F(X11KeyboardTest, capsLockAndNumLockDoNotStopAShortcut) {
    OtherClient observer(display.name());
    int fired = 0;
    auto hotKey = counted(controlOptionM, 1, fired);
    ASSERT_TRUE(hotKey);

    ASSERT_EQ(display.run({"xdotool", "key", "Caps_Lock"}).exitCode, 0);
    ASSERT_TRUE(observer.modifierState() & XCB_MOD_MASK_LOCK) << "Caps Lock is on";
    EXPECT_TRUE(xdotool({"key", "ctrl+alt+m"}, [&] { return fired == 1; }));

    ASSERT_EQ(display.run({"xdotool", "key", "Num_Lock"}).exitCode, 0);
    ASSERT_TRUE(observer.modifierState() & XCB_MOD_MASK_2) << "Num Lock is on";
    EXPECT_TRUE(xdotool({"key", "ctrl+alt+m"}, [&] { return fired == 2; }));

    // Num Lock moves to another modifier while the shortcut is registered.
    ASSERT_EQ(display.run({"xdotool", "key", "Num_Lock"}).exitCode, 0);
    ASSERT_TRUE(observer.moveModifier(4, 5)) << "Mod2 to Mod3";
    ASSERT_EQ(display.run({"xdotool", "key", "Num_Lock"}).exitCode, 0);
    ASSERT_TRUE(observer.modifierState() & XCB_MOD_MASK_3) << "Num Lock is on as Mod3";
    EXPECT_TRUE(xdotool({"key", "ctrl+alt+m"}, [&] { return fired == 3; }));
}

TEST_F(X11KeyboardTest, aCombinationHeldElsewhereIsRefusedAtOnceAndLeavesNothingBehind) {
    OtherClient other(display.name());
    const std::uint16_t controlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    ASSERT_TRUE(other.grab(XKB_KEY_k, controlAlt));
    // Held only with Caps Lock on: still ours to refuse, as the shortcut could not always fire.
    ASSERT_TRUE(other.grab(XKB_KEY_l, controlAlt | XCB_MOD_MASK_LOCK));

    LogRecorder log;
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs(store, center);
    QtScheduler scheduler;
    prefs.setMuteHotKeyCombo(controlOptionK);
    prefs.setSnoozeHotKeyCombo(controlOptionL);
    HotKeyRegistrar registrar(*keyboard, prefs, scheduler, {[] {}, [] {}}, log.fn());
    registrar.registerHotKeys();
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "[hotkey] mute-all: FAILED to register ⌃⌥K (in use by another app?)",
                             "[hotkey] snooze: FAILED to register ⌃⌥L (in use by another app?)"}));

    OtherClient third(display.name());
    EXPECT_TRUE(third.grab(XKB_KEY_l, controlAlt))
        << "the refused registration released the variants it had got";

    int fired = 0;
    auto first = counted(controlOptionM, 1, fired);
    ASSERT_TRUE(first);
    EXPECT_FALSE(counted(controlOptionM, 2, fired)) << "one combination, one registration";
    first.reset();
    auto second = counted(controlOptionM, 2, fired);
    EXPECT_TRUE(second) << "released at once";
    EXPECT_FALSE(third.grab(XKB_KEY_m, controlAlt)) << "and held against other clients";
}

TEST_F(X11KeyboardTest, labelsComeFromTheActiveLayoutAndKeysStayPhysical) {
    EXPECT_EQ(keyboard->producedCharacter(0), "a");
    EXPECT_EQ(keyboard->producedCharacter(16), "y");
    EXPECT_EQ(keyboard->producedCharacter(49), " ");
    EXPECT_EQ(keyboard->producedCharacter(36), "\r");
    EXPECT_FALSE(keyboard->producedCharacter(122)) << "F1 produces no text";
    EXPECT_FALSE(keyboard->producedCharacter(10'000)) << "no such key";
    EXPECT_EQ(HotKeyRecorder::layoutKeyLabel(49, *keyboard), "Space");

    int fired = 0;
    auto hotKey = counted(HotKeyCombo{16, HotKeyModifiers::option}, 1, fired);
    ASSERT_TRUE(hotKey);

    ASSERT_EQ(display.run({"setxkbmap", "de"}).exitCode, 0);
    EXPECT_EQ(keyboard->producedCharacter(16), "z") << "the US Y key is Z on a German keyboard";
    EXPECT_EQ(keyboard->producedCharacter(6), "y");
    EXPECT_EQ(keyboard->producedCharacter(41), "ö");
    EXPECT_EQ(HotKeyRecorder::layoutKeyLabel(16, *keyboard), "Z");
    EXPECT_EQ(HotKeyRecorder::layoutKeyLabel(50, *keyboard), "^") << "a dead key shows its accent";
    OtherClient other(display.name());
    const auto zKey = other.keycode(XKB_KEY_z);
    EXPECT_EQ(keyboard->virtualKeyCode(zKey), 16u);
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "alt+z"}, [&] { return fired == 1; }))
        << "the shortcut stays on its physical key when the layout changes";

    ASSERT_EQ(display.run({"setxkbmap", "ru,us"}).exitCode, 0);
    EXPECT_EQ(keyboard->producedCharacter(0), "ф");
    EXPECT_EQ(HotKeyRecorder::layoutKeyLabel(0, *keyboard), "Ф");
}

TEST_F(X11KeyboardTest, aVanishedDisplayEndsRegistrationsQuietly) {
    int fired = 0;
    auto hotKey = counted(controlOptionM, 1, fired);
    ASSERT_TRUE(hotKey);
    display.kill();
    EXPECT_TRUE(pumpEventsUntil([&] { return !keyboard->connected(); }, 10s));
    EXPECT_FALSE(counted(controlOptionK, 2, fired));
    EXPECT_FALSE(keyboard->producedCharacter(0));
    hotKey.reset();
    keyboard.reset();
}

TEST(X11KeyboardWithoutDisplay, failsEveryRegistrationCleanly) {
    const char* saved = std::getenv("DISPLAY");
    const std::string savedDisplay = saved ? saved : "";
    unsetenv("DISPLAY");
    X11Keyboard keyboard;
    if (saved) {
        setenv("DISPLAY", savedDisplay.c_str(), 1);
    }
    EXPECT_FALSE(keyboard.connected());

    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs(store, center);
    QtScheduler scheduler;
    LogRecorder log;
    prefs.setMuteHotKeyCombo(controlOptionM);
    prefs.setSnoozeHotKeyCombo(f5);
    HotKeyRegistrar registrar(keyboard, prefs, scheduler, {[] {}, [] {}}, log.fn());
    registrar.registerHotKeys();
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "[hotkey] mute-all: FAILED to register ⌃⌥M (in use by another app?)",
                             "[hotkey] snooze: FAILED to register F5 (in use by another app?)"}));
    EXPECT_FALSE(keyboard.producedCharacter(0));
    EXPECT_FALSE(keyboard.virtualKeyCode(38));
}
