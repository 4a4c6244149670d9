#include "store/StarterPresets.h"

#include "core/Text.h"

#include <gtest/gtest.h>

#include <set>

using namespace corvale;

// Two presets for one app would mark each other as added; a padded name would never match.
TEST(StarterPresets, eachPresetNamesADifferentAppAsItsNotificationsDo) {
    std::set<std::string> keys;
    for (const auto& preset : StarterPresets::all()) {
        EXPECT_EQ(trimmed(preset.appName), preset.appName);
        EXPECT_FALSE(preset.appName.empty());
        EXPECT_TRUE(keys.insert(nameKey(preset.appName)).second) << preset.appName;
        EXPECT_EQ(preset.volume, 1.0);
    }
    EXPECT_EQ(keys.size(), 10u);
    EXPECT_FALSE(keys.contains("messages")) << "no Linux app posts under this name";
    EXPECT_FALSE(keys.contains("reminders"));
}
