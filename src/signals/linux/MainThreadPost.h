#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace corvale {

// Hands work to the Qt main thread from any thread. After close(), nothing more arrives there and
// whatever was handed over but has not run yet is dropped: threads that outlive their owner can
// keep posting harmlessly.
class MainThreadPost {
public:
    // Create it on the main thread.
    MainThreadPost();
    ~MainThreadPost();
    MainThreadPost(const MainThreadPost&) = delete;
    MainThreadPost& operator=(const MainThreadPost&) = delete;

    void post(std::function<void()> work);
    // Main thread only: runs work after delay, unless closed first.
    void after(std::chrono::milliseconds delay, std::function<void()> work);
    // Main thread only.
    void close();

private:
    std::mutex mutex_;
    std::unique_ptr<QObject> receiver_;
};

} // namespace corvale
