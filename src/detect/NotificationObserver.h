#pragma once

#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/Scheduler.h"
#include "detect/BannerTree.h"

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvale {

// The banner reader: watches the notification server's banner tree and hands every banner it has
// not seen before, once, to onNotification. Everything runs on the main thread.
class NotificationObserver {
public:
    enum class PollMode { idle, fast };

    static constexpr Millis idleInterval{1000};
    static constexpr Millis fastInterval{200};
    static constexpr Millis healthInterval{1500};
    // How long polling stays fast after the last activity.
    static constexpr Millis fastWindow{5000};
    static constexpr Millis firstRescanDelay{80};
    static constexpr Millis secondRescanDelay{250};
    // The most uuids remembered. The ones forgotten first are those longest off screen, so a
    // banner that stays up while hundreds of others come and go is never announced twice.
    static constexpr size_t seenCap = 500;
    // More new banners than this in one scan is a reveal of old ones, not new arrivals.
    static constexpr size_t historyReplayThreshold = 3;

    NotificationObserver(BannerTree& tree, Scheduler& scheduler);
    NotificationObserver(const NotificationObserver&) = delete;
    NotificationObserver& operator=(const NotificationObserver&) = delete;

    std::function<void(const ObservedNotification&)> onNotification;
    // A banner the server refused after it entered the tree, by uuid; only banners already seen.
    std::function<void(const std::string& uuid)> onRefused;
    LogFn log;

    void start();
    void attachIfPossible();
    void attach(int pid);
    void teardownObserver();
    void switchPoll(PollMode mode);
    void pollFire();
    void handleAXEvent();
    void scan(bool emit, const std::string& source);
    std::optional<int> currentNCPID();

    bool isAttached() const { return static_cast<bool>(observer_) && ncPID_ != 0; }
    long long detectedCount() const { return detectedCount_; }
    int ncPID() const { return ncPID_; }
    bool primed() const { return primed_; }
    PollMode pollMode() const { return pollMode_; }
    size_t seenCount() const { return seenOrder_.size(); }
    bool hasSeen(const std::string& uuid) const { return seen_.count(uuid) != 0; }

private:
    // Remembered uuids, each with its place in the order of forgetting.
    using SeenIndex = std::unordered_map<std::string, std::list<std::string>::iterator>;

    void record(const std::string& uuid);
    // Marks a remembered banner as on screen now: it becomes the last to be forgotten.
    void touch(SeenIndex::iterator known);
    void writeLog(const std::string& line) const;
    void afterDelay(Millis delay, std::function<void()> fn);

    BannerTree& tree_;
    Scheduler& scheduler_;
    long long detectedCount_ = 0;
    Subscription observer_;
    int ncPID_ = 0;
    bool primed_ = false;
    // Least recently on screen first.
    std::list<std::string> seenOrder_;
    SeenIndex seen_;
    Subscription pollTimer_;
    Subscription healthTimer_;
    Subscription launchToken_;
    Subscription refusals_;
    PollMode pollMode_ = PollMode::idle;
    TimePoint lastActivity_ = TimePoint::min();
    // Delayed re-scans waiting to run; each removes itself when it has run.
    std::map<std::uint64_t, Subscription> delayed_;
    std::uint64_t nextDelayed_ = 0;
};

} // namespace corvale
