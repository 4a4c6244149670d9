#pragma once

#include "core/Scheduler.h"

#include <map>
#include <memory>

namespace corvale::test {

// A scheduler whose clock moves only when the test says so; due timers fire in time order.
class ManualScheduler : public Scheduler {
public:
    explicit ManualScheduler(TimePoint start = timePointFromSeconds(1'780'000'000.0))
        : now_(start) {}

    TimePoint now() const override { return now_; }
    Subscription after(Millis delay, std::function<void()> fn) override;
    Subscription every(Millis interval, std::function<void()> fn) override;

    // Moves the clock forward, firing every timer that falls due on the way.
    void advance(double seconds);
    void advance(Millis by);
    size_t pendingTimers() const { return timers_.size(); }

private:
    struct Timer {
        TimePoint due;
        Millis interval{0};
        bool repeating = false;
        std::shared_ptr<std::function<void()>> fn;
    };
    Subscription add(Millis delay, Millis interval, bool repeating, std::function<void()> fn);

    TimePoint now_;
    std::map<std::uint64_t, Timer> timers_;
    std::uint64_t nextId_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale::test
