#pragma once

#include "core/Subscription.h"

#include <chrono>
#include <functional>

namespace corvale {

using Clock = std::chrono::system_clock;
using TimePoint = Clock::time_point;
using Millis = std::chrono::milliseconds;

// Time and timers of the main thread. Every callback runs on the main thread; a returned handle
// cancels its timer when destroyed.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual TimePoint now() const = 0;
    virtual Subscription after(Millis delay, std::function<void()> fn) = 0;
    virtual Subscription every(Millis interval, std::function<void()> fn) = 0;
};

// Seconds since 1970-01-01 UTC, the form preferences store times in.
inline double secondsSince1970(TimePoint t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}
// Rounded to the microsecond: a double holds today's times to about a quarter of a microsecond, so
// a time of microsecond precision survives the round trip exactly.
inline TimePoint timePointFromSeconds(double seconds) {
    auto micros = std::chrono::duration<double, std::micro>(seconds * 1e6);
    return TimePoint(std::chrono::duration_cast<Clock::duration>(
        std::chrono::round<std::chrono::microseconds>(micros)));
}

} // namespace corvale
