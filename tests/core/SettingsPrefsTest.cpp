#include "core/SettingsPrefs.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

struct Prefs : ::testing::Test {
    InMemoryPreferences store;
    NotificationCenter center;
    SettingsPrefs prefs{store, center};
    std::vector<std::string> posted;
    std::vector<Subscription> subscriptions;

    void SetUp() override {
        for (const char* name : {notes::statusItemNeedsRefresh, notes::hotKeyChanged,
                                 notes::themeAccentChanged, notes::sidebarIconStyleChanged}) {
            subscriptions.push_back(center.observe(name, [this, name] { posted.push_back(name); }));
        }
    }
};

} // namespace

TEST_F(Prefs, absentOrIllTypedValuesReadAsDefaults) {
    EXPECT_TRUE(prefs.soundsEnabled());
    EXPECT_EQ(prefs.snoozeDurationMinutes(), 30);
    EXPECT_EQ(prefs.flashIntensity(), FlashIntensity::normal);
    EXPECT_EQ(prefs.flashDuration(), FlashDuration::normal);
    EXPECT_EQ(prefs.flashRepeat(), 1);
    EXPECT_FALSE(prefs.pingHistoryIncludePreview());
    EXPECT_FALSE(prefs.snoozeDeadline());
    EXPECT_EQ(prefs.accentTheme(), AccentTheme::brand());

    store.set(prefkeys::soundsEnabled, std::string("false"));
    EXPECT_TRUE(prefs.soundsEnabled()) << "a text is not a boolean";
    store.set(prefkeys::flashRepeat, std::string("2"));
    EXPECT_EQ(prefs.flashRepeat(), 1);
    store.set(prefkeys::snoozeDurationMinutes, 60.0);
    EXPECT_EQ(prefs.snoozeDurationMinutes(), 60) << "a whole number stored as a double";
}

TEST_F(Prefs, valuesOutsideTheirSetAreCoerced) {
    store.set(prefkeys::snoozeDurationMinutes, std::int64_t{45});
    EXPECT_EQ(prefs.snoozeDurationMinutes(), 30);
    prefs.setSnoozeDurationMinutes(45);
    EXPECT_EQ(store.integerValue(prefkeys::snoozeDurationMinutes), 30);
    prefs.setSnoozeDurationMinutes(120);
    EXPECT_EQ(prefs.snoozeDurationMinutes(), 120);

    for (std::int64_t bad : {0, 4, -1}) {
        store.set(prefkeys::flashRepeat, bad);
        EXPECT_EQ(prefs.flashRepeat(), 1) << bad;
    }
    prefs.setFlashRepeat(7);
    EXPECT_EQ(store.integerValue(prefkeys::flashRepeat), 1);

    store.set(prefkeys::flashIntensity, std::string("Strong"));
    EXPECT_EQ(prefs.flashIntensity(), FlashIntensity::normal) << "case-sensitive";
    store.set(prefkeys::flashIntensity, std::string("strong"));
    EXPECT_EQ(prefs.flashIntensity(), FlashIntensity::strong);
}

TEST_F(Prefs, timesOfZeroOrLessReadAsNoneAndNoneRemovesTheKey) {
    store.set(prefkeys::snoozeDeadline, 0.0);
    EXPECT_FALSE(prefs.snoozeDeadline());
    store.set(prefkeys::pingHistorySeenThrough, -5.0);
    EXPECT_FALSE(prefs.pingHistorySeenThrough());

    auto when = timePointFromSeconds(1'780'000'123.5);
    prefs.setSnoozeDeadline(when);
    EXPECT_EQ(prefs.snoozeDeadline(), when);
    prefs.setSnoozeDeadline(std::nullopt);
    EXPECT_FALSE(store.has(prefkeys::snoozeDeadline));
}

TEST_F(Prefs, hotKeyCombinationsAndTheirNotification) {
    EXPECT_FALSE(prefs.muteHotKeyCombo());
    store.set(prefkeys::muteHotKeyCode, std::int64_t{-1});
    EXPECT_FALSE(prefs.muteHotKeyCombo());

    prefs.setMuteHotKeyCombo(HotKeyCombo{46, 2 | 8});
    EXPECT_EQ(prefs.muteHotKeyCombo(), (HotKeyCombo{46, 10}));
    prefs.setMuteHotKeyCombo(std::nullopt);
    EXPECT_EQ(store.integerValue(prefkeys::muteHotKeyCode), -1);
    EXPECT_EQ(store.integerValue(prefkeys::muteHotKeyModifiers), 0);
    EXPECT_FALSE(prefs.muteHotKeyCombo());

    prefs.setSnoozeHotKeyCombo(HotKeyCombo{1, 1});
    EXPECT_EQ(prefs.snoozeHotKeyCombo(), (HotKeyCombo{1, 1}));
    EXPECT_FALSE(prefs.muteHotKeyCombo()) << "the two shortcuts are kept apart";
    EXPECT_EQ(posted, (std::vector<std::string>(3, notes::hotKeyChanged)));
}

TEST_F(Prefs, writersPostTheirNotifications) {
    prefs.setSoundsEnabled(false);
    prefs.setMenuBarIconStyleKey("bolt");
    prefs.setAccentTheme(AccentTheme::custom({0, 1, 0}));
    prefs.setSidebarIconsUseAccent(true);
    prefs.setFlashIntensity(FlashIntensity::gentle); // posts nothing
    EXPECT_EQ(posted, (std::vector<std::string>{
                          notes::statusItemNeedsRefresh, notes::statusItemNeedsRefresh,
                          notes::themeAccentChanged, notes::sidebarIconStyleChanged}));
    EXPECT_FALSE(prefs.soundsEnabled());
    EXPECT_EQ(store.textValue(prefkeys::accentTheme), "custom:#00FF00");
}

TEST(NotificationCenter, observersEndWithTheirSubscription) {
    NotificationCenter center;
    int calls = 0;
    Subscription kept = center.observe("x", [&] { ++calls; });
    {
        Subscription dropped = center.observe("x", [&] { calls += 100; });
    }
    Subscription selfCancelling;
    selfCancelling = center.observe("x", [&] {
        selfCancelling.reset();
        calls += 10;
    });
    center.post("x");
    center.post("x");
    EXPECT_EQ(calls, 12);
}
