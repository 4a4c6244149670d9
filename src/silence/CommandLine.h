#pragma once

#include "core/Broadcast.h"
#include "core/InstanceCall.h"
#include "core/Log.h"
#include "core/PaneID.h"
#include "core/Preferences.h"
#include "silence/SoundCommand.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvale {

// "corvale focus on|off": the Focus filter's value to store and broadcast.
struct FocusFilterRequest {
    bool silence = false;
    friend bool operator==(const FocusFilterRequest&, const FocusFilterRequest&) = default;
};

// "corvale settings [PANE]" and "corvale dashboard": a window of the running program to show.
struct OpenWindowRequest {
    enum class Window { settings, dashboard };
    Window window = Window::settings;
    // Settings only: the pane to select; none selects the first.
    std::optional<PaneID> pane;
    friend bool operator==(const OpenWindowRequest&, const OpenWindowRequest&) = default;
};

using CommandRequest = std::variant<SoundCommand, FocusFilterRequest, OpenWindowRequest>;

// The automation commands of the command line: "mute", "unmute", "snooze [MINUTES]", "resume"
// and "focus on|off", each sent to the running program as a broadcast (the program decides);
// "settings [PANE]" and "dashboard", calls to the running program that show one of its windows.
struct CommandLine {
    static constexpr int defaultSnoozeMinutes = 30;
    // The lines that --help shows for the commands.
    static const char* const usage;

    static bool isCommandWord(std::string_view word);

    struct Parsed {
        std::optional<CommandRequest> request;
        // Set when the words are not a command; shown as the program's error.
        std::string error;
    };
    // `words` are the arguments after the program's name, the command word first.
    static Parsed parse(const std::vector<std::string>& words);

    struct Outcome {
        int exitCode = 0;
        std::string error;
        // What happened, for standard output, when there is something to say.
        std::string message;
    };
    // Whether the program runs in this session (its bus name has an owner); none when that cannot
    // be told.
    using RunningQuery = std::function<std::optional<bool>()>;

    // Broadcasts a sound command, or runs the Focus filter (system log, preference, broadcast).
    // A sound command that nobody would hear is an error: it is not stored anywhere. A short-lived
    // process must flush its broadcast before it exits. A window is asked for through
    // `callProgram`.
    static Outcome execute(const CommandRequest& request, Broadcast& broadcast,
                           Preferences& defaults, const LogFn& systemLog,
                           const RunningQuery& programRunning,
                           const InstanceCall& callProgram = {});

    // "corvale" started while another Corvale holds the session: that one opens its settings
    // window instead, and this process ends.
    static Outcome secondLaunch(const InstanceCall& callProgram);
};

} // namespace corvale
