#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvale {

// How a method call from another process to the running program ended.
struct InstanceReply {
    enum class Status {
        answered,
        // Nobody owns the program's bus name: Corvale does not run in this session.
        notRunning,
        // No session bus, or the program did not answer in time.
        unreachable,
        // The program answered with an error (for example an argument it does not accept).
        refused
    };
    Status status = Status::unreachable;
    // The bus's or the program's explanation when the call was not answered.
    std::string detail;
};

// The methods of the running program's object (interface com.talvo.corvale).
namespace instancemethods {
// One text argument: a pane key, or empty for the first pane.
inline constexpr const char* openSettings = "OpenSettings";
inline constexpr const char* openDashboard = "OpenDashboard";
} // namespace instancemethods

// Calls a method of the running program's object on the session bus with text arguments and
// waits for its answer.
using InstanceCall =
    std::function<InstanceReply(const std::string& method, const std::vector<std::string>& args)>;

} // namespace corvale
