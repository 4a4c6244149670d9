#pragma once

#include "core/ObservedNotification.h"
#include "core/linux/SdBusHandles.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace corvale {

// A second monitor of Notify calls, on a thread of its own, so that an alert's sound can be asked
// for the moment the call is on the bus instead of when the main thread next wakes. Each plain
// call (a new notification addressed to org.freedesktop.Notifications, naming its app) is read as
// the banner tree reads it and handed on, on this thread, with the identifier its banner will
// have. Updates of a notification on screen and calls whose app must be looked up are left to the
// banner tree alone, which stays the record of what is shown.
class NotifyCallTap {
public:
    using Seen = std::function<void(const ObservedNotification& notification)>;

    // Becomes a monitor at once when the bus is there; else, and whenever the bus goes, it
    // connects again in the background.
    NotifyCallTap();
    ~NotifyCallTap();
    NotifyCallTap(const NotifyCallTap&) = delete;
    NotifyCallTap& operator=(const NotifyCallTap&) = delete;

    // Where the calls go from now on (on the tap's thread); none drops them.
    void setSeen(Seen seen);
    // Stops the thread; nothing is handed on after this returns.
    void stop();
    // The monitor stands and reads calls.
    bool watching() const { return watching_; }

private:
    static constexpr int retryMillis = 2000;
    void run(BusPtr first);
    // Watches one connection until it ends (true) or the tap is stopped (false).
    bool watch(BusPtr bus);
    void handOn(const ObservedNotification& notification);

    std::mutex seenMutex_;
    Seen seen_;
    int stopFd_ = -1;
    std::atomic<bool> watching_{false};
    std::thread thread_;
};

} // namespace corvale
