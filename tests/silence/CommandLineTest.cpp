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
        {{"snooze", "1"}, SoundCommand::snooze(1)},
        {{"snooze", "+7"}, SoundCommand::snooze(7)},
        {{"snooze", "1440"}, SoundCommand::snooze(1440)},
        {{"focus", "on"}, FocusFilterRequest{true}},
        {{"focus", "off"}, FocusFilterRequest{false}},
        {{"settings"}, OpenWindowRequest{}},
        {{"settings", "recentAlerts"},
         OpenWindowRequest{OpenWindowRequest::Window::settings,
                           PaneID::of(PaneID::Kind::recentAlerts)}},
        {{"settings", "app:Mail"},
         OpenWindowRequest{OpenWindowRequest::Window::settings, PaneID::app("Mail")}},
        {{"dashboard"}, OpenWindowRequest{OpenWindowRequest::Window::dashboard, std::nullopt}},
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
        {{"snooze", "99999999999999999999"}, "from 1 to 1440, not '99999999999999999999'"},
        {{"snooze", "1441"}, "from 1 to 1440, not '1441'"},
        {{"snooze", "+-5"}, "whole number, not '+-5'"},
        {{"snooze", "5", "6"}, "at most one argument"},
        {{"snooze", "0"}, "from 1 to 1440, not '0'"},
        {{"snooze", "-5"}, "from 1 to 1440, not '-5'"},
        {{"snooze", "-0"}, "'-0'"},
        {{"focus"}, "on or off"},
        {{"focus", "On"}, "'On'"},
        {{"focus", "on", "off"}, "on or off"},
        {{"Mute"}, "unknown command 'Mute'"},
        {{"settings", "bogus"}, "no pane 'bogus'; the panes are general, recentAlerts"},
        {{"settings", ""}, "no pane ''"},
        {{"settings", "app:"}, "no pane 'app:'"},
        {{"settings", "general", "about"}, "at most one argument"},
        {{"dashboard", "now"}, "dashboard takes no arguments"},
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

    auto running = [] { return std::optional<bool>(true); };
    for (auto words : std::vector<std::vector<std::string>>{{"mute"}, {"snooze", "5"}}) {
        auto outcome =
            CommandLine::execute(*parse(words).request, broadcast, prefs, systemLog.fn(), running);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(outcome.error.empty());
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], SoundCommand::mute());
    EXPECT_EQ(received[1], SoundCommand::snooze(5));
    EXPECT_FALSE(prefs.has(prefkeys::focusFilterSilencing)) << "sound commands store nothing";
    EXPECT_TRUE(systemLog.lines.empty());

    auto outcome = CommandLine::execute(*parse({"focus", "on"}).request, broadcast, prefs,
                                        systemLog.fn(), running);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(focus, std::vector<std::string>{"1"});
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
    EXPECT_EQ(systemLog.lines, std::vector<std::string>{"Focus Filter perform: silence=true"});
}

TEST(CommandLine, executeReportsABroadcastThatCouldNotBeSent) {
    InMemoryPreferences prefs;
    InMemoryBroadcast nowhere;
    nowhere.reachable = false;
    auto sound = CommandLine::execute(SoundCommand::resume(), nowhere, prefs, {},
                                      [] { return std::optional<bool>(); });
    EXPECT_NE(sound.exitCode, 0);
    EXPECT_NE(sound.error.find("not sent"), std::string::npos) << sound.error;

    auto focus = CommandLine::execute(FocusFilterRequest{true}, nowhere, prefs, {},
                                      [] { return std::optional<bool>(); });
    EXPECT_NE(focus.exitCode, 0);
    EXPECT_NE(focus.error.find("saved"), std::string::npos) << focus.error;
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
}

// Nobody owns the program's bus name: a sound command would be lost, so it is an error; the Focus
// filter is saved for the next start and stays a success.
TEST(CommandLine, soundCommandsFailWhenTheProgramIsNotRunning) {
    InMemoryPreferences prefs;
    InMemoryBroadcast broadcast;
    size_t heard = 0;
    auto sounds = broadcast.observe(broadcasts::soundCommand, [&](const auto&) { ++heard; });
    auto notRunning = [] { return std::optional<bool>(false); };
    for (auto command : {SoundCommand::mute(), SoundCommand::snooze(10), SoundCommand::resume()}) {
        auto outcome = CommandLine::execute(command, broadcast, prefs, {}, notRunning);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.error, "corvale: Corvale is not running; the command was not sent");
    }
    EXPECT_EQ(heard, 0u);
    EXPECT_FALSE(prefs.has(prefkeys::soundsEnabled)) << "nothing is stored instead";

    auto focus = CommandLine::execute(FocusFilterRequest{true}, broadcast, prefs, {}, notRunning);
    EXPECT_EQ(focus.exitCode, 0);
    EXPECT_EQ(prefs.boolValue(prefkeys::focusFilterSilencing), std::optional<bool>(true));
}

namespace {

// The running program as the command line reaches it: records each call, answers as told.
struct ScriptedProgram {
    InstanceReply reply{InstanceReply::Status::answered, ""};
    std::vector<std::string> calls;

    InstanceCall fn() {
        return [this](const std::string& method, const std::vector<std::string>& args) {
            std::string call = method;
            for (const auto& arg : args) {
                call += " '" + arg + "'";
            }
            calls.push_back(call);
            return reply;
        };
    }
};

CommandLine::Outcome runWords(std::vector<std::string> words, ScriptedProgram& program) {
    InMemoryPreferences prefs;
    InMemoryBroadcast broadcast;
    return CommandLine::execute(
        *CommandLine::parse(words).request, broadcast, prefs, {},
        [] { return std::optional<bool>(true); }, program.fn());
}

} // namespace

TEST(CommandLine, windowCommandsCallTheRunningProgramAndSayWhatOpened) {
    ScriptedProgram program;
    auto settings = runWords({"settings"}, program);
    EXPECT_EQ(settings.exitCode, 0);
    EXPECT_EQ(settings.message, "corvale: Corvale's settings window was opened");
    EXPECT_TRUE(settings.error.empty());
    auto pane = runWords({"settings", "App:Slack"}, program);
    EXPECT_EQ(pane.exitCode, 0);
    auto dashboard = runWords({"dashboard"}, program);
    EXPECT_EQ(dashboard.exitCode, 0);
    EXPECT_EQ(dashboard.message, "corvale: Corvale's dashboard was opened");
    EXPECT_EQ(program.calls, (std::vector<std::string>{
                                 "OpenSettings ''", "OpenSettings 'app:Slack'", "OpenDashboard"}))
        << "an empty key asks for the first pane; a typed key is sent spelled as the program reads "
           "it";
}

TEST(CommandLine, windowCommandsFailClearlyWhenTheProgramCannotShowThem) {
    using Status = InstanceReply::Status;
    struct Case {
        InstanceReply reply;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{Status::notRunning, "name has no owner"},
         "corvale: Corvale is not running; the command was not sent"},
        {{Status::unreachable, ""},
         "corvale: cannot reach the session bus; the command was not sent"},
        {{Status::unreachable, "Connection timed out"},
         "corvale: cannot reach the session bus; the command was not sent (Connection timed out)"},
        {{Status::refused, "no pane 'x'"}, "corvale: Corvale refused the command: no pane 'x'"},
    };
    for (const auto& c : cases) {
        for (auto words : std::vector<std::vector<std::string>>{{"settings"}, {"dashboard"}}) {
            ScriptedProgram program;
            program.reply = c.reply;
            auto outcome = runWords(words, program);
            EXPECT_EQ(outcome.exitCode, 1) << c.error;
            EXPECT_EQ(outcome.error, c.error);
            EXPECT_TRUE(outcome.message.empty());
        }
    }
    // Without a way to call the program (no bus at all) the command is not sent either.
    InMemoryPreferences prefs;
    InMemoryBroadcast broadcast;
    auto nowhere = CommandLine::execute(OpenWindowRequest{}, broadcast, prefs, {}, {});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_NE(nowhere.error.find("not sent"), std::string::npos);
}

TEST(CommandLine, secondLaunchOpensTheRunningProgramsSettingsOrSaysWhyNot) {
    using Status = InstanceReply::Status;
    ScriptedProgram program;
    auto opened = CommandLine::secondLaunch(program.fn());
    EXPECT_EQ(opened.exitCode, 0);
    EXPECT_EQ(opened.message,
              "corvale: Corvale is already running; its settings window was opened");
    EXPECT_EQ(program.calls, std::vector<std::string>{"OpenSettings ''"});

    const std::vector<std::pair<InstanceReply, std::string>> failures = {
        {{Status::notRunning, "ignored"}, "(it has no name on the session bus)"},
        {{Status::unreachable, ""}, "(the session bus cannot be reached)"},
        {{Status::unreachable, "Connection refused"}, "(Connection refused)"},
        {{Status::refused, "Access denied"}, "(Access denied)"},
    };
    for (const auto& [reply, why] : failures) {
        program.reply = reply;
        auto outcome = CommandLine::secondLaunch(program.fn());
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.error, "corvale: Corvale is already running in this session; its "
                                 "settings window could not be opened " +
                                     why);
    }
    EXPECT_EQ(CommandLine::secondLaunch({}).exitCode, 1);
}
