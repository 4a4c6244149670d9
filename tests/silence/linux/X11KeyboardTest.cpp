#include "silence/linux/X11Keyboard.h"
#include "core/linux/QtScheduler.h"
#include "silence/GlobalHotKey.h"
#include "silence/HotKeyRecorder.h"
#include "silence/HotKeyRegistrar.h"
#include "support/LogRecorder.h"
#include "support/OtherXClient.h"
#include "support/PrivateDisplay.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>
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

// Both shortcuts registered from the preferences, as the program does at start-up.
struct Shortcuts {
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs{store, center};
    QtScheduler scheduler;
    LogRecorder log;
    std::optional<HotKeyRegistrar> registrar;

    Shortcuts(HotKeyService& service, const HotKeyCombo& mute, const HotKeyCombo& snooze,
              HotKeyRegistrar::Actions actions = {[] {}, [] {}}) {
        prefs.setMuteHotKeyCombo(mute);
        prefs.setSnoozeHotKeyCombo(snooze);
        registrar.emplace(service, prefs, scheduler, std::move(actions), log.fn());
        registrar->registerHotKeys();
    }
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
    int mutes = 0, snoozes = 0;
    Shortcuts shortcuts(*keyboard, controlOptionM, shiftCommandK,
                        {[&] { ++mutes; }, [&] { ++snoozes; }});
    EXPECT_EQ(shortcuts.log.lines,
              (std::vector<std::string>{"[hotkey] mute-all: registered Ctrl+Alt+M",
                                        "[hotkey] snooze: registered Shift+Super+K"}));

    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "ctrl+alt+m"}, [&] { return mutes == 1; }))
        << "control and option are Control and Alt";
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "super+shift+k"}, [&] { return snoozes == 1; }))
        << "command is Super";
    EXPECT_EQ(mutes, 1);

    // Re-registering (as a preference change does) keeps both shortcuts working.
    shortcuts.registrar->registerHotKeys();
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
    OtherXClient observer(display.name());
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

TEST_F(X11KeyboardTest, aGrabLostToAMappingChangeIsLoggedAndTheShortcutIsNoLongerLive) {
    OtherXClient other(display.name());
    // Held elsewhere only with Mod3, which means nothing to us until Num Lock moves there.
    ASSERT_TRUE(other.grab(XKB_KEY_m, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_3));
    Shortcuts shortcuts(*keyboard, controlOptionM, f5);
    ASSERT_NE(shortcuts.registrar->muteHotKey(), nullptr);

    ASSERT_TRUE(other.moveModifier(4, 5)) << "Mod2 to Mod3";
    const std::string failed = "[hotkey] mute-all: FAILED to register Ctrl+Alt+M (in use by "
                               "another app?)";
    EXPECT_TRUE(pumpEventsUntil([&] { return shortcuts.log.count(failed) == 1; }, 10s));
    EXPECT_EQ(shortcuts.registrar->muteHotKey(), nullptr);
    EXPECT_NE(shortcuts.registrar->snoozeHotKey(), nullptr) << "F5 could be grabbed again";
}

TEST_F(X11KeyboardTest, aCombinationHeldElsewhereIsRefusedAtOnceAndLeavesNothingBehind) {
    OtherXClient other(display.name());
    const std::uint16_t controlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    ASSERT_TRUE(other.grab(XKB_KEY_k, controlAlt));
    // Held only with Caps Lock on: still ours to refuse, as the shortcut could not always fire.
    ASSERT_TRUE(other.grab(XKB_KEY_l, controlAlt | XCB_MOD_MASK_LOCK));

    Shortcuts shortcuts(*keyboard, controlOptionK, controlOptionL);
    EXPECT_EQ(shortcuts.log.lines,
              (std::vector<std::string>{
                  "[hotkey] mute-all: FAILED to register Ctrl+Alt+K (in use by another app?)",
                  "[hotkey] snooze: FAILED to register Ctrl+Alt+L (in use by another app?)"}));

    OtherXClient third(display.name());
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
    OtherXClient other(display.name());
    const auto zKey = other.keycode(XKB_KEY_z);
    EXPECT_EQ(keyboard->virtualKeyCode(zKey), 16u);
    EXPECT_TRUE(xdotool({"key", "--clearmodifiers", "alt+z"}, [&] { return fired == 1; }))
        << "the shortcut stays on its physical key when the layout changes";

    ASSERT_EQ(display.run({"setxkbmap", "ru,us"}).exitCode, 0);
    EXPECT_EQ(keyboard->producedCharacter(0), "ф");
    EXPECT_EQ(HotKeyRecorder::layoutKeyLabel(0, *keyboard), "Ф");
}

TEST_F(X11KeyboardTest, aVanishedDisplayIsReportedOnceAndEndsRegistrationsQuietly) {
    int fired = 0, lost = 0;
    auto hotKey = counted(controlOptionM, 1, fired);
    ASSERT_TRUE(hotKey);
    keyboard->onDisplayLost([&] { ++lost; });
    display.kill();
    ASSERT_TRUE(pumpEventsUntil([&] { return lost > 0; }, 10s)) << "the loss went unnoticed";
    // The closed socket stays readable: it must not be reported again.
    pumpEventsFor(100ms);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(keyboard->connected());
    EXPECT_FALSE(counted(controlOptionK, 2, fired));
    EXPECT_FALSE(keyboard->producedCharacter(0));
    hotKey.reset();
    keyboard.reset();
}

TEST(X11KeyboardWithoutDisplay, failsEveryRegistrationCleanly) {
    ScopedEnvironment noDisplay({{"DISPLAY", std::nullopt}});
    X11Keyboard keyboard;
    EXPECT_FALSE(keyboard.connected());

    Shortcuts shortcuts(keyboard, controlOptionM, f5);
    EXPECT_EQ(shortcuts.log.lines,
              (std::vector<std::string>{
                  "[hotkey] mute-all: FAILED to register Ctrl+Alt+M (in use by another app?)",
                  "[hotkey] snooze: FAILED to register F5 (in use by another app?)"}));
    EXPECT_FALSE(keyboard.producedCharacter(0));
    EXPECT_FALSE(keyboard.virtualKeyCode(38));
}
