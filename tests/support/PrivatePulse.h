#pragma once

#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// A PulseAudio server of the test's own, with one null sink "ci_sink" at 48 kHz stereo whose
// monitor can be recorded. While it lives, this process's PulseAudio clients (and the programs
// it starts) talk to it; the environment is put back when it goes.
class PrivatePulse {
public:
    static constexpr int rate = 48000;

    PrivatePulse();
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    // Whether the server came up; tests fail with setupError() when it did not.
    bool ready() const { return ready_; }
    const std::string& setupError() const { return setupError_; }

    // Ends the server as a crash would, and starts a new one at the same address.
    void kill();
    bool restart();

    // Lets other local users (a session's unprivileged user) reach the server with its cookie.
    void shareWithOtherUsers();

    // The variables that point a client at this server.
    std::map<std::string, std::optional<std::string>> clientEnvironment() const;

    // Records what the sink plays from now on.
    class Recording {
    public:
        explicit Recording(PrivatePulse& pulse);
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

        bool started() const { return started_; }
        // Seconds recorded so far.
        double seconds() const;
        // Stops and returns the sink's output as mono (the mean of both channels) at 48 kHz.
        std::vector<float> finish();

    private:
        std::filesystem::path file_;
        std::unique_ptr<ChildProcess> recorder_;
        bool started_ = false;
    };

private:
    bool startServer();
    void stopServer();

    TempDir dir_;
    std::string server_;
    std::string cookie_;
    std::unique_ptr<ChildProcess> daemon_;
    std::unique_ptr<ChildProcess> silence_;
    ScopedEnvironment environment_;
    bool ready_ = false;
    std::string setupError_;
};

} // namespace corvale::test
