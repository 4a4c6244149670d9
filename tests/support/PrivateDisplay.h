#pragma once

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// An X server of the test's own (Xvfb), on a display number the server picks free itself, so
// parallel runs never collide. It stops when the object goes.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Whether the server came up; tests fail with setupError() when it did not.
    bool ready() const { return ready_; }
    const std::string& setupError() const { return setupError_; }

    // The display name, ":N".
    const std::string& name() const { return name_; }
    // The variables that point an X client at this display.
    std::map<std::string, std::optional<std::string>> clientEnvironment() const;

    // Starts an X client (xdotool, setxkbmap, ...) on this display.
    std::unique_ptr<ChildProcess> start(std::vector<std::string> argv) const;
    // Runs an X client on this display to its end.
    CommandResult run(const std::vector<std::string>& argv,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

    // Whether `xdotool search` finds a window matching `query` before the timeout.
    bool waitForWindow(std::vector<std::string> query,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Ends the server as a crash would.
    void kill();

private:
    TempDir dir_;
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
    bool ready_ = false;
    std::string setupError_;
};

} // namespace corvale::test
