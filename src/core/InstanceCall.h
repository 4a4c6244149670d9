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
    // The text the program answered with, for a method that answers with one.
    std::string value{};
};

// The methods of the running program's object (interface com.talvo.corvale).
namespace instancemethods {
// One text argument: a pane key, or empty for the first pane.
inline constexpr const char* openSettings = "OpenSettings";
inline constexpr const char* openDashboard = "OpenDashboard";
// The rules of `corvale rules`, all text: Rules() answers with the rules file's text;
// AddApp(name, sound, volume) with empty text for an option not given; SetRule(name, key, value);
// RemoveApp(name); ImportRules(file's text) answers with where the replaced rules were kept.
inline constexpr const char* rules = "Rules";
inline constexpr const char* addApp = "AddApp";
inline constexpr const char* setRule = "SetRule";
inline constexpr const char* removeApp = "RemoveApp";
inline constexpr const char* importRules = "ImportRules";
} // namespace instancemethods

// Calls a method of the running program's object on the session bus with text arguments and
// waits for its answer.
using InstanceCall =
    std::function<InstanceReply(const std::string& method, const std::vector<std::string>& args)>;

} // namespace corvale
