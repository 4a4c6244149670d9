#include "silence/HotKeyRegistrar.h"
#include "support/FakeHotKeyService.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

using namespace corvale;
using namespace corvale::test;

namespace {

const HotKeyCombo optionCommandM{46, HotKeyModifiers::option | HotKeyModifiers::command};
const HotKeyCombo controlOptionK{40, HotKeyModifiers::control | HotKeyModifiers::option};
const HotKeyCombo f5{96, {}};

struct Registrar : ::testing::Test {
    FakeHotKeyService service;
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs{store, center};
    ManualScheduler scheduler;
    LogRecorder log;
    int mutes = 0;
    int snoozes = 0;
    int losses = 0;
    std::optional<HotKeyRegistrar> registrar;

    void SetUp() override {
        registrar.emplace(service, prefs, scheduler,
                          HotKeyRegistrar::Actions{[this] { ++mutes; }, [this] { ++snoozes; },
                                                   [this] { ++losses; }},
                          log.fn());
    }

    void registerMuteAndSnooze() {
        prefs.setMuteHotKeyCombo(optionCommandM);
        prefs.setSnoozeHotKeyCombo(f5);
        registrar->registerHotKeys();
    }
};

} // namespace

TEST_F(Registrar, freshInstallationRegistersNothing) {
    registrar->registerHotKeys();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"[hotkey] mute-all: none set",
                                                   "[hotkey] snooze: none set"}));
    EXPECT_TRUE(service.registrations().empty());

    store.set(prefkeys::muteHotKeyCode, std::int64_t{-1});
    store.set(prefkeys::muteHotKeyModifiers, std::int64_t{0});
    registrar->registerHotKeys();
    EXPECT_EQ(log.count("[hotkey] mute-all: none set"), 2u);
    EXPECT_EQ(registrar->muteHotKey(), nullptr);
}

TEST_F(Registrar, logsEachShortcutRegisteredOrRefused) {
    registerMuteAndSnooze();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"[hotkey] mute-all: registered Alt+Super+M",
                                                   "[hotkey] snooze: registered F5"}));
    ASSERT_NE(registrar->muteHotKey(), nullptr);
    EXPECT_EQ(registrar->muteHotKey()->hotKeyID(), (HotKeyID{fourCharCode("CRVL"), 1}));
    EXPECT_EQ(registrar->snoozeHotKey()->hotKeyID().id, 2u);

    log.lines.clear();
    service.takenElsewhere.push_back(controlOptionK);
    prefs.setMuteHotKeyCombo(controlOptionK);
    prefs.setSnoozeHotKeyCombo(HotKeyCombo{0, HotKeyModifiers::shift});
    registrar->registerHotKeys();
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "[hotkey] mute-all: FAILED to register Ctrl+Alt+K (in use by another app?)",
                  "[hotkey] snooze: FAILED to register Shift+A (in use by another app?)"}));
    EXPECT_EQ(registrar->muteHotKey(), nullptr);
    EXPECT_EQ(registrar->snoozeHotKey(), nullptr);
    EXPECT_TRUE(service.registrations().empty()) << "the old shortcuts are gone as well";
    EXPECT_EQ(service.handlerCount(), 0u) << "a failed registration leaves no receiver behind";
    EXPECT_EQ(prefs.muteHotKeyCombo(), controlOptionK) << "the preference stays as it was";

    prefs.setMuteHotKeyCombo(HotKeyCombo{10, HotKeyModifiers::command});
    prefs.setSnoozeHotKeyCombo(HotKeyCombo{10, HotKeyModifiers::command});
    registrar->registerHotKeys();
    EXPECT_EQ(log.lines.back(),
              "[hotkey] snooze: FAILED to register Super+Key 10 (in use by another app?)")
        << "one combination cannot serve both shortcuts";
}

TEST_F(Registrar, aShortcutLostAfterRegistrationIsLoggedAndNoLongerLive) {
    registerMuteAndSnooze();
    log.lines.clear();
    service.lose(f5);
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "[hotkey] snooze: FAILED to register F5 (in use by another app?)"}));
    EXPECT_EQ(registrar->snoozeHotKey(), nullptr);
    EXPECT_NE(registrar->muteHotKey(), nullptr) << "the other shortcut stays live";
    EXPECT_EQ(losses, 1);
    EXPECT_EQ(prefs.snoozeHotKeyCombo(), f5) << "the preference stays as it was";

    registrar.reset();
    service.lose(optionCommandM);
    EXPECT_EQ(losses, 1) << "nothing is told once the registrar is gone";
}

TEST_F(Registrar, eachPressRunsItsOwnActionOnTheNextTurnOfTheLoop) {
    registerMuteAndSnooze();

    ASSERT_TRUE(service.press(optionCommandM));
    EXPECT_EQ(mutes, 0) << "never inside the window system's dispatch";
    scheduler.advance(Millis(0));
    EXPECT_EQ(mutes, 1);
    EXPECT_EQ(snoozes, 0);

    service.press(f5);
    service.press(f5);
    scheduler.advance(Millis(0));
    EXPECT_EQ(snoozes, 2);
    EXPECT_EQ(mutes, 1);

    service.deliver(std::nullopt);
    service.deliver(HotKeyID{fourCharCode("XXXX"), 1});
    service.deliver(HotKeyID{fourCharCode("CRVL"), 3});
    scheduler.advance(Millis(0));
    EXPECT_EQ(mutes + snoozes, 3) << "presses without our identifier are not acted on";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);

    service.press(optionCommandM);
    registrar.reset();
    scheduler.advance(Millis(0));
    EXPECT_EQ(mutes, 1) << "a press does nothing once its owner is gone";
    EXPECT_TRUE(service.registrations().empty());
}

TEST_F(Registrar, anyChangeReregistersBothReleasingEachFirst) {
    registerMuteAndSnooze();
    service.journal.clear();
    log.lines.clear();

    prefs.setSnoozeHotKeyCombo(controlOptionK);
    registrar->registerHotKeys();
    EXPECT_EQ(service.journal, (std::vector<std::string>{"-1 Alt+Super+M", "+1 Alt+Super+M",
                                                         "-2 F5", "+2 Ctrl+Alt+K"}));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"[hotkey] mute-all: registered Alt+Super+M",
                                                   "[hotkey] snooze: registered Ctrl+Alt+K"}));
    service.press(controlOptionK);
    service.press(f5);
    scheduler.advance(Millis(0));
    EXPECT_EQ(snoozes, 1) << "the old snooze combination no longer fires";
}

TEST(GlobalHotKey, existsOnlyWhileRegistered) {
    FakeHotKeyService service;
    int fired = 0;
    service.refuseHandlers = true;
    EXPECT_FALSE(GlobalHotKey::create(service, f5, 7, [&] { ++fired; }));
    EXPECT_TRUE(service.journal.empty()) << "nothing registered without a receiver";

    service.refuseHandlers = false;
    auto hotKey = GlobalHotKey::create(service, f5, 7, [&] { ++fired; });
    ASSERT_TRUE(hotKey);
    service.press(f5);
    EXPECT_EQ(fired, 1);
    hotKey.reset();
    EXPECT_EQ(service.journal, (std::vector<std::string>{"+7 F5", "-7 F5"}));
    EXPECT_EQ(service.handlerCount(), 0u);
    EXPECT_FALSE(service.press(f5));
}
