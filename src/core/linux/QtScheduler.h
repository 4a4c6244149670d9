#pragma once

#include "core/Scheduler.h"

namespace corvale {

// Timers of the Qt event loop on the main thread.
class QtScheduler : public Scheduler {
public:
    TimePoint now() const override;
    Subscription after(Millis delay, std::function<void()> fn) override;
    Subscription every(Millis interval, std::function<void()> fn) override;
};

} // namespace corvale
