#include "core/Preferences.h"
#include "core/SettingsPrefs.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/FocusFilterState.h"
#include "support/InMemoryBroadcast.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>

using namespace corvale;

TEST(FocusFilterState, onlyTheExactTextOneSilences) {
    EXPECT_TRUE(FocusFilterState::decodeBroadcast(std::string("1")));
    for (const std::optional<std::string>& object : std::vector<std::optional<std::string>>{
             "0", "true", "TRUE", "yes", " 1", "1 ", "01", "11", "", std::nullopt}) {
        EXPECT_FALSE(FocusFilterState::decodeBroadcast(object)) << object.value_or("<none>");
    }
}

TEST(CorvaleFocusFilter, performLogsStoresAndBroadcastsAndNeverFails) {
    InMemoryPreferences prefs;
    InMemoryBroadcast broadcast;
    test::LogRecorder systemLog;
    std::vector<std::string> objects;
    auto subscription = broadcast.observe(broadcasts::focusFilterChanged, [&](const auto& object) {
        objects.push_back(object);
        // The value is stored before it is broadcast, so a receiver that reads it sees it.
        EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing),
                  std::optional<bool>(FocusFilterState::decodeBroadcast(object)));
    });

    EXPECT_TRUE(CorvaleFocusFilter::perform(true, prefs, broadcast, systemLog.fn()));
    ASSERT_EQ(systemLog.lines.size(), 1u);
    EXPECT_EQ(systemLog.lines[0], "Focus Filter perform: silence=true");
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
    EXPECT_EQ(objects, std::vector<std::string>{"1"});
    EXPECT_TRUE(CorvaleFocusFilter::perform(false, prefs, broadcast, systemLog.fn()));
    EXPECT_EQ(objects, (std::vector<std::string>{"1", "0"}));

    // With nobody to hear it, the value still waits in the preferences for the next launch.
    InMemoryBroadcast nowhere;
    nowhere.reachable = false;
    EXPECT_FALSE(CorvaleFocusFilter::perform(true, prefs, nowhere, systemLog.fn()));
    EXPECT_EQ(systemLog.lines.back(), "Focus Filter perform: silence=true");
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
}
