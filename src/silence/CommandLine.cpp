#include "silence/CommandLine.h"

#include "core/PaneKey.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/Snooze.h"

#include <array>

namespace corvale {

const char* const CommandLine::usage =
    "  mute               turn Corvale's sounds off\n"
    "  unmute             turn Corvale's sounds back on\n"
    "  snooze [MINUTES]   silence sounds for MINUTES (default 30; 1 to 1440)\n"
    "  resume             end a snooze\n"
    "  focus on|off       silence, or stop silencing, the rules that respect Focus\n"
    "  settings [PANE]    open the settings window, at PANE if given: general,\n"
    "                     recentAlerts, allOtherApps, starterPresets, soundLibrary,\n"
    "                     setup, detection, help, about, or app:NAME for an app\n"
    "  dashboard          open the dashboard: recent alerts and each app's sound\n"
    "  rules ACTION ...   list, show, add, set, remove, export or import the apps'\n"
    "                     rules (see corvale rules --help)\n";

namespace {

CommandLine::Parsed failure(std::string message) {
    return {std::nullopt, "corvale: " + std::move(message)};
}

constexpr const char* notRunningText = "corvale: Corvale is not running; the command was not sent";

CommandLine::Outcome openWindow(const OpenWindowRequest& request, const InstanceCall& call) {
    const bool settings = request.window == OpenWindowRequest::Window::settings;
    InstanceReply reply;
    if (call) {
        reply = settings ? call(instancemethods::openSettings,
                                {request.pane ? paneKey(*request.pane) : std::string()})
                         : call(instancemethods::openDashboard, {});
    }
    switch (reply.status) {
    case InstanceReply::Status::answered:
        return {0, "",
                settings ? "corvale: Corvale's settings window was opened"
                         : "corvale: Corvale's dashboard was opened"};
    case InstanceReply::Status::notRunning:
        return {1, notRunningText, ""};
    case InstanceReply::Status::refused:
        return {1, "corvale: Corvale refused the command: " + reply.detail, ""};
    case InstanceReply::Status::unreachable:
        break;
    }
    return {1,
            "corvale: cannot reach the session bus; the command was not sent" +
                (reply.detail.empty() ? std::string() : " (" + reply.detail + ")"),
            ""};
}

} // namespace

bool CommandLine::isCommandWord(std::string_view word) {
    static constexpr std::array<std::string_view, 8> words = {
        "mute", "unmute", "snooze", "resume", "focus", "settings", "dashboard", "rules"};
    for (auto w : words) {
        if (w == word) {
            return true;
        }
    }
    return false;
}

CommandLine::Parsed CommandLine::parse(const std::vector<std::string>& words) {
    if (words.empty()) {
        return failure("no command given");
    }
    const std::string& command = words.front();
    const size_t extra = words.size() - 1;
    if (command == "mute" || command == "unmute" || command == "resume") {
        if (extra != 0) {
            return failure(command + " takes no arguments");
        }
        auto decoded = SoundCommand::fromPayload(command);
        return {decoded, ""};
    }
    if (command == "snooze") {
        if (extra > 1) {
            return failure("snooze takes at most one argument, the minutes");
        }
        if (extra == 0) {
            return {SoundCommand::snooze(defaultSnoozeMinutes), ""};
        }
        const auto& text = words[1];
        const auto digits = text.find_first_not_of("+-") == 1 ? text.substr(1) : text;
        const bool whole =
            !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
        if (!whole) {
            return failure("snooze: MINUTES must be a whole number, not '" + text + "'");
        }
        // Typed by a person, a span the program would clamp is a mistake, not a wish.
        auto minutes = SoundCommand::parseDecimal(text);
        if (!minutes || *minutes < Snooze::minMinutes || *minutes > Snooze::maxMinutes) {
            return failure("snooze: MINUTES must be from 1 to 1440, not '" + text + "'");
        }
        return {SoundCommand::snooze(*minutes), ""};
    }
    if (command == "focus") {
        if (extra != 1) {
            return failure("focus takes one argument, on or off");
        }
        if (words[1] == "on") {
            return {FocusFilterRequest{true}, ""};
        }
        if (words[1] == "off") {
            return {FocusFilterRequest{false}, ""};
        }
        return failure("focus: expected on or off, not '" + words[1] + "'");
    }
    if (command == "settings") {
        if (extra > 1) {
            return failure("settings takes at most one argument, the pane");
        }
        if (extra == 0) {
            return {OpenWindowRequest{}, ""};
        }
        auto pane = paneFromKey(words[1]);
        if (!pane) {
            return failure("settings: no pane '" + words[1] + "'; the panes are " + paneKeyList());
        }
        return {OpenWindowRequest{OpenWindowRequest::Window::settings, std::move(pane)}, ""};
    }
    if (command == "dashboard") {
        if (extra != 0) {
            return failure("dashboard takes no arguments");
        }
        return {OpenWindowRequest{OpenWindowRequest::Window::dashboard, std::nullopt}, ""};
    }
    return failure("unknown command '" + command + "'");
}

CommandLine::Outcome CommandLine::execute(const CommandRequest& request, Broadcast& broadcast,
                                          Preferences& defaults, const LogFn& systemLog,
                                          const RunningQuery& programRunning,
                                          const InstanceCall& callProgram) {
    if (const auto* open = std::get_if<OpenWindowRequest>(&request)) {
        return openWindow(*open, callProgram);
    }
    if (const auto* command = std::get_if<SoundCommand>(&request)) {
        if (programRunning && programRunning() == false) {
            return {1, notRunningText, ""};
        }
        if (!broadcast.post(broadcasts::soundCommand, command->wireText())) {
            return {1, "corvale: cannot reach the session bus; the command was not sent", ""};
        }
        return {};
    }
    const bool silence = std::get<FocusFilterRequest>(request).silence;
    if (!CorvaleFocusFilter::perform(silence, defaults, broadcast, systemLog)) {
        return {1,
                "corvale: cannot reach the session bus; the setting is saved and applies "
                "when Corvale next starts",
                ""};
    }
    return {};
}

CommandLine::Outcome CommandLine::secondLaunch(const InstanceCall& callProgram) {
    InstanceReply reply;
    if (callProgram) {
        reply = callProgram(instancemethods::openSettings, {""});
    }
    if (reply.status == InstanceReply::Status::answered) {
        return {0, "", "corvale: Corvale is already running; its settings window was opened"};
    }
    std::string why = reply.detail;
    if (reply.status == InstanceReply::Status::notRunning) {
        why = "it has no name on the session bus";
    } else if (why.empty()) {
        why = "the session bus cannot be reached";
    }
    return {1,
            "corvale: Corvale is already running in this session; its settings window could not "
            "be opened (" +
                why + ")",
            ""};
}

} // namespace corvale
