#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace corvale {

// A log sink: stores, readers and players take one and are wired to logLine in the program.
using LogFn = std::function<void(const std::string&)>;

// A text value as log lines write it: in double quotes, unescaped (key="value").
inline std::string inQuotes(const std::string& value) {
    return "\"" + value + "\"";
}

// A flag as log lines write it.
inline const char* boolText(bool value) {
    return value ? "true" : "false";
}

// Appends one line to the debug log (standard output and the log file) when the log is on.
void logLine(std::string_view message);

namespace debuglog {

// The switch is on only for the exact text "1".
bool switchFromEnvironment(const char* value);

// Fixed once at process entry.
void configure(bool enabled, std::string filePath);
bool enabled();
const std::string& filePath();

// Creates the log's folder and replaces the file with an empty one, so each launch starts fresh;
// lines are written to the file only from then on.
void startFresh();

// Text that any program on the desktop may have written, made one line of plain text: CR and LF
// as \r and \n, other C0 controls, DEL and bytes that are not UTF-8 as \xNN, C1 controls as
// \u{NN}. Without it a notification could forge log lines or drive the terminal of whoever tails
// the log.
std::string plainText(std::string_view text);

// The line as written: "HH:mm:ss.SSS", two spaces, the message as plain text.
std::string formatLine(std::string_view message, long long epochMillis);

} // namespace debuglog
} // namespace corvale
