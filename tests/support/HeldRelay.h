#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace corvale::test {

// A Unix socket in front of another: it takes connections and holds them unanswered until
// release(), then passes them through to the target. A server that answers late; never released,
// a server that hangs. When it goes, the connections it holds break.
class HeldRelay {
public:
    explicit HeldRelay(std::filesystem::path listenAt, std::filesystem::path target = {});
    ~HeldRelay();
    HeldRelay(const HeldRelay&) = delete;
    HeldRelay& operator=(const HeldRelay&) = delete;

    bool ready() const { return listenFd_ >= 0; }
    // The address in PulseAudio's form, for PULSE_SERVER.
    std::string pulseAddress() const { return "unix:" + path_.string(); }
    void release();

private:
    void run();

    std::filesystem::path path_;
    std::filesystem::path target_;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> released_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace corvale::test
