#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// A program started by a test, with its own environment and its output captured in files. It is
// killed when the object goes, so a failing test leaves nothing running.
class ChildProcess {
public:
    using Environment = std::map<std::string, std::string>;

    // Starts argv[0] (searched in PATH) with the current environment plus `extra`; a value of
    // nullopt removes that variable.
    ChildProcess(std::vector<std::string> argv,
                 const std::map<std::string, std::optional<std::string>>& extra,
                 const std::filesystem::path& outputFolder);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    bool running();
    void signal(int signo);
    // Waits for the exit and returns the exit code (128 + signal when killed); none on timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    std::string output() const;
    std::string errors() const;

private:
    int pid_ = -1;
    std::optional<int> status_;
    std::filesystem::path stdout_;
    std::filesystem::path stderr_;
};

// Polls `condition` every few milliseconds until it holds or the deadline passes.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Runs a command to its end and returns its exit code and what it wrote.
struct CommandResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::optional<std::string>>& extra = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

} // namespace corvale::test
