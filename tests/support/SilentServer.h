#pragma once

#include <filesystem>
#include <string>

namespace corvale::test {

// A Unix socket that takes connections and never answers them: a server that hangs. Closing it
// breaks the connections that wait on it.
class SilentServer {
public:
    explicit SilentServer(std::filesystem::path path);
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    bool ready() const { return fd_ >= 0; }
    // The address in PulseAudio's form, for PULSE_SERVER.
    std::string pulseAddress() const { return "unix:" + path_.string(); }
    void close();

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace corvale::test
