#include "support/ManualScheduler.h"

namespace corvale::test {

Subscription ManualScheduler::add(Millis delay, Millis interval, bool repeating,
                                  std::function<void()> fn) {
    auto id = nextId_++;
    timers_[id] = Timer{now_ + delay, interval, repeating,
                        std::make_shared<std::function<void()>>(std::move(fn))};
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, id] {
        if (!alive.expired()) {
            timers_.erase(id);
        }
    });
}

Subscription ManualScheduler::after(Millis delay, std::function<void()> fn) {
    return add(delay, Millis{0}, false, std::move(fn));
}

Subscription ManualScheduler::every(Millis interval, std::function<void()> fn) {
    // A zero interval would fire forever within one advance.
    return add(interval, interval < Millis{1} ? Millis{1} : interval, true, std::move(fn));
}

void ManualScheduler::advance(double seconds) {
    advance(std::chrono::duration_cast<Millis>(std::chrono::duration<double>(seconds)));
}

void ManualScheduler::advance(Millis by) {
    const TimePoint end = now_ + by;
    for (;;) {
        // The earliest due timer, ties broken by creation order.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end &&
                (next == timers_.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = std::max(now_, next->second.due);
        auto fn = next->second.fn;
        if (next->second.repeating) {
            next->second.due += next->second.interval;
        } else {
            timers_.erase(next);
        }
        (*fn)();
    }
    now_ = end;
}

} // namespace corvale::test
