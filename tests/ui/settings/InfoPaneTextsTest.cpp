#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/BuildInfo.h"
#include "ui/settings/HelpCatalog.h"
#include "ui/settings/RecentAlertsList.h"

#include "store/StarterPresets.h"
#include "support/AppRule.h"

#include <gtest/gtest.h>

#include <set>

namespace corvale {
namespace {

using namespace std::chrono_literals;

Rule ruleFor(const std::string& app, SoundRef sound) {
    return test::appRule(app, std::nullopt, std::move(sound));
}

TEST(InfoPaneTexts, deleteConfirmationNamesEachAppStillUsingTheFileOnce) {
    const auto bell = FileUrl::fromPath("/data/Sounds/BELL.m4a");
    const CustomSound sound{Uuid::random(), "Bell", bell};
    auto mailCondition = ruleFor("mail", SoundRef::file(bell));
    mailCondition.condition = Condition{Condition::Type::titleContains, "invoice"};

    struct Case {
        const char* what;
        std::vector<Rule> rules;
        std::string text;
    } cases[] = {
        {"no rule uses it",
         {ruleFor("Slack", SoundRef::builtin("Ping"))},
         "This removes it from My Sounds and deletes the file. This can\u2019t be undone."},
        {"one app, two rules",
         {ruleFor("Mail", SoundRef::file(bell)), mailCondition},
         "This removes it from My Sounds. Mail still uses this sound, so the file is kept - that "
         "app keeps playing it until you change it."},
        {"two apps",
         {ruleFor("Mail", SoundRef::file(bell)), ruleFor("Slack", SoundRef::builtin("Ping")),
          ruleFor("Signal", SoundRef::file(FileUrl::fromPath("/data/Sounds/./BELL.m4a")))},
         "This removes it from My Sounds. Mail, Signal still use this sound, so the file is kept - "
         "those apps keep playing it until you change them."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InfoPaneTexts::deleteSoundAlert(sound, c.rules, true).text, c.text) << c.what;
    }
    EXPECT_EQ(InfoPaneTexts::deleteSoundAlert(sound, {}, false).text,
              "This removes it from My Sounds. Its file stays where it is: Corvale deletes only "
              "the files in its own Sounds folder.")
        << "a file outside the Sounds folder is never promised deleted";
}

TEST(BuildInfo, versionLineSaysDevWithoutAChannel) {
    EXPECT_EQ((BuildInfo{"1.2.0", "34", std::string("Stable")}.versionLine()),
              "1.2.0 (34) \u00B7 Stable");
    EXPECT_EQ((BuildInfo{"1.2.0", "34", std::nullopt}.versionLine()), "1.2.0 (34) \u00B7 Dev");
    EXPECT_EQ((BuildInfo{"1.2.0", "34", std::string("  ")}.versionLine()), "1.2.0 (34) \u00B7 Dev")
        << "a blank channel is no channel";
}

TEST(HelpCatalog, tourIsTrueOnLinux) {
    for (const auto& topic : HelpCatalog::topics()) {
        EXPECT_FALSE(topic.symbol.empty() || topic.title.empty() || topic.summary.empty() ||
                     topic.body.empty())
            << topic.id;
        for (const auto* text : {&topic.title, &topic.summary, &topic.body}) {
            // Words of the other operating system that would be false here.
            for (const char* foreign :
                 {"Mac", "System Settings", "Accessibility", "Dock", "Siri", "Shortcuts and",
                  "menu bar", "Focus Filter", "26.5", "Finder"}) {
                EXPECT_EQ(text->find(foreign), std::string::npos)
                    << topic.id << " says \"" << foreign << "\": " << *text;
            }
        }
    }

    const auto& presets = HelpCatalog::topics()[6].body;
    for (const char* app : {"Slack", "Discord", "Thunderbird"}) {
        ASSERT_NE(presets.find(app), std::string::npos) << app;
        bool shipped = false;
        for (const auto& preset : StarterPresets::all()) {
            shipped = shipped || preset.appName == app;
        }
        EXPECT_TRUE(shipped) << "the tour promises a preset for " << app;
    }
}

TEST(HelpCatalog, everyCardHasItsOwnTileColor) {
    std::set<std::string> colors;
    for (const auto& topic : HelpCatalog::topics()) {
        colors.insert(helpTileColor(topic.id).hexString());
    }
    EXPECT_EQ(colors.size(), HelpCatalog::topics().size());
    EXPECT_FALSE(colors.contains(helpTileColor("no-such-topic").hexString()))
        << "an unknown id gets the neutral tile, not a topic's colour";
}

TEST(RecentAlertsList, newestFirstByTimeNotByRecordingOrder) {
    const TimePoint ten = timePointFromSeconds(1772359200);
    // Recorded in this order; the clock went back before "Mail", and "Zoom" shares a moment.
    const std::vector<PingRecord> log{{"Slack", ten + 5min, std::nullopt},
                                      {"Mail", ten, std::nullopt},
                                      {"Zoom", ten + 5min, std::nullopt}};
    std::vector<std::string> order;
    for (const auto& record : newestFirst(log)) {
        order.push_back(record.appName);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Zoom", "Slack", "Mail"}));
    EXPECT_TRUE(newestFirst({}).empty());
}

TEST(AlertTimeLabel, todayShowsTheTimeAloneInTheUsersZone) {
    // 1 March 2026, 23:30 UTC.
    const TimePoint late = timePointFromSeconds(1772407800);
    struct Case {
        const char* zone;
        TimePoint now;
        bool withDate;
        const char* time;
    } cases[] = {
        {"UTC", late + 20min, false, "11:30"},
        {"UTC", late + 40min, true, "11:30"},            // past midnight: yesterday's alert
        {"Europe/Berlin", late + 40min, false, "12:30"}, // both on 2 March there
        {"UTC", late + 24h * 40, true, "11:30"},
    };
    for (const auto& c : cases) {
        auto label = alertTimeLabel(late, c.now, "en_US", c.zone);
        EXPECT_NE(label.find(c.time), std::string::npos) << c.zone << ": " << label;
        EXPECT_EQ(label.find("2026") != std::string::npos, c.withDate) << c.zone << ": " << label;
    }
    EXPECT_NE(alertTimeLabel(late, late + 48h, "en_US", "UTC").find("Mar 1, 2026"),
              std::string::npos)
        << "medium date style";
}

} // namespace
} // namespace corvale
