#include "silence/CommandLine.h"
#include "core/Preferences.h"
#include "core/SettingsPrefs.h"
#include "support/InMemoryBroadcast.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>

using namespace corvale;

namespace {

CommandLine::Parsed parse(std::vector<std::string> words) {
    return CommandLine::parse(words);
}

class UnreachableBroadcast : public Broadcast {
public:
    bool post(const std::string&, const std::string&) override { return false; }
    Subscription observe(const std::string&, std::function<void(const std::string&)>) override {
        return {};
    }
};

} // namespace

TEST(CommandLine, parsesEachCommandAndItsArguments) {
    struct Case {
        std::vector<std::string> words;
        CommandRequest expected;
    };
    const std::vector<Case> cases = {
        {{"mute"}, SoundCommand::mute()},
        {{"unmute"}, SoundCommand::unmute()},
        {{"resume"}, SoundCommand::resume()},
        {{"snooze"}, SoundCommand::snooze(30)},
        {{"snooze", "45"}, SoundCommand::snooze(45)},
        // The running program brings the span into range, as for any other sender.
        {{"snooze", "0"}, SoundCommand::snooze(0)},
        {{"snooze", "-5"}, SoundCommand::snooze(-5)},
        {{"snooze", "+7"}, SoundCommand::snooze(7)},
        {{"snooze", "5000"}, SoundCommand::snooze(5000)},
        {{"focus", "on"}, FocusFilterRequest{true}},
        {{"focus", "off"}, FocusFilterRequest{false}},
    };
    for (const auto& c : cases) {
        const auto parsed = CommandLine::parse(c.words);
        ASSERT_TRUE(parsed.request) << c.words[0] << ": " << parsed.error;
        EXPECT_EQ(*parsed.request, c.expected) << c.words[0];
        EXPECT_TRUE(parsed.error.empty());
        EXPECT_TRUE(CommandLine::isCommandWord(c.words[0]));
    }
}

TEST(CommandLine, rejectsMalformedCommandsWithAMessage) {
    struct Case {
        std::vector<std::string> words;
        std::string mentions;
    };
    const std::vector<Case> cases = {
        {{}, "no command"},
        {{"mute", "now"}, "mute takes no arguments"},
        {{"resume", "1"}, "resume takes no arguments"},
        {{"snooze", "abc"}, "'abc'"},
        {{"snooze", ""}, "''"},
        {{"snooze", "5m"}, "'5m'"},
        {{"snooze", "1.5"}, "'1.5'"},
        {{"snooze", " 5"}, "' 5'"},
        {{"snooze", "99999999999999999999"}, "'99999999999999999999'"},
        {{"snooze", "5", "6"}, "at most one argument"},
        {{"focus"}, "on or off"},
        {{"focus", "On"}, "'On'"},
        {{"focus", "on", "off"}, "on or off"},
        {{"Mute"}, "unknown command 'Mute'"},
    };
    for (const auto& c : cases) {
        const auto parsed = CommandLine::parse(c.words);
        EXPECT_FALSE(parsed.request) << testing::PrintToString(c.words);
        EXPECT_EQ(parsed.error.rfind("corvale: ", 0), 0u) << parsed.error;
        EXPECT_NE(parsed.error.find(c.mentions), std::string::npos)
            << "error " << parsed.error << " should mention " << c.mentions;
    }
    EXPECT_FALSE(CommandLine::isCommandWord("--help"));
    EXPECT_FALSE(CommandLine::isCommandWord("Focus"));
}

TEST(CommandLine, executeSendsTheWireTextTheProgramDecodes) {
    InMemoryPreferences prefs;
    InMemoryBroadcast broadcast;
    test::LogRecorder systemLog;
    std::vector<std::optional<SoundCommand>> received;
    std::vector<std::string> focus;
    auto sounds = broadcast.observe(broadcasts::soundCommand, [&](const auto& object) {
        received.push_back(SoundCommand::fromPayload(object));
    });
    auto focusSub = broadcast.observe(broadcasts::focusFilterChanged,
                                      [&](const auto& object) { focus.push_back(object); });

    for (auto words : std::vector<std::vector<std::string>>{{"mute"}, {"snooze", "-5"}}) {
        auto outcome =
            CommandLine::execute(*parse(words).request, broadcast, prefs, systemLog.fn());
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(outcome.error.empty());
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], SoundCommand::mute());
    EXPECT_EQ(received[1], SoundCommand::snooze(-5));
    EXPECT_FALSE(prefs.has(prefkeys::focusFilterSilencing)) << "sound commands store nothing";
    EXPECT_TRUE(systemLog.lines.empty());

    auto outcome =
        CommandLine::execute(*parse({"focus", "on"}).request, broadcast, prefs, systemLog.fn());
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(focus, std::vector<std::string>{"1"});
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
    EXPECT_EQ(systemLog.lines, std::vector<std::string>{"Focus Filter perform: silence=true"});
}

TEST(CommandLine, executeReportsABroadcastThatCouldNotBeSent) {
    InMemoryPreferences prefs;
    UnreachableBroadcast nowhere;
    auto sound = CommandLine::execute(SoundCommand::resume(), nowhere, prefs, {});
    EXPECT_NE(sound.exitCode, 0);
    EXPECT_NE(sound.error.find("not sent"), std::string::npos) << sound.error;

    auto focus = CommandLine::execute(FocusFilterRequest{true}, nowhere, prefs, {});
    EXPECT_NE(focus.exitCode, 0);
    EXPECT_NE(focus.error.find("saved"), std::string::npos) << focus.error;
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
}
