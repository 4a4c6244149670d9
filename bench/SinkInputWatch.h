#pragma once

// The audio server's own reports of playback streams (sink inputs) coming and going, received by
// a client of the server on a thread of its own and stamped the moment they arrive. These are the
// reports `pactl subscribe` prints; taking them in process leaves no other program between the
// server and the clock.

#include <pulse/context.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace corvale::bench {

class SinkInputWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct Event {
        Clock::time_point at;
        bool created = false; // a new stream; otherwise one removed
        std::uint32_t index = 0;
    };

    // With keepEvents, every report is queued for waitForNew and waitForRemoval; without, only
    // the counts are kept (a soak of hours would otherwise queue them all).
    explicit SinkInputWatch(bool keepEvents = true) : keepEvents_(keepEvents) {
        loop_ = pa_threaded_mainloop_new();
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "corvale-bench");
        pa_context_set_state_callback(context_, &SinkInputWatch::onState, this);
        pa_context_set_subscribe_callback(context_, &SinkInputWatch::onEvent, this);
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
        pa_threaded_mainloop_start(loop_);
    }
    ~SinkInputWatch() {
        pa_threaded_mainloop_stop(loop_);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        pa_threaded_mainloop_free(loop_);
    }
    SinkInputWatch(const SinkInputWatch&) = delete;
    SinkInputWatch& operator=(const SinkInputWatch&) = delete;

    // Waits until the server has confirmed the subscription.
    bool waitSubscribed(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return subscribed_; });
    }

    // The next stream created, or nothing at the deadline; reports of removals before it are
    // passed over. `idle` runs about every millisecond while nothing comes.
    std::optional<Event> waitForNew(std::chrono::milliseconds timeout,
                                    const std::function<void()>& idle = {}) {
        return waitFor([](const Event& e) { return e.created; }, timeout, idle);
    }

    // Waits for the removal of stream `index`.
    bool waitForRemoval(std::uint32_t index, std::chrono::milliseconds timeout,
                        const std::function<void()>& idle = {}) {
        return waitFor([index](const Event& e) { return !e.created && e.index == index; }, timeout,
                       idle)
            .has_value();
    }

    int largest() const {
        std::lock_guard lock(mutex_);
        return largest_;
    }
    int open() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(open_.size());
    }
    int created() const {
        std::lock_guard lock(mutex_);
        return created_;
    }

private:
    std::optional<Event> waitFor(const std::function<bool(const Event&)>& wanted,
                                 std::chrono::milliseconds timeout,
                                 const std::function<void()>& idle) {
        const auto deadline = Clock::now() + timeout;
        std::unique_lock lock(mutex_);
        for (;;) {
            while (!events_.empty()) {
                const Event event = events_.front();
                events_.pop_front();
                if (wanted(event)) {
                    return event;
                }
            }
            const auto now = Clock::now();
            if (now >= deadline) {
                return std::nullopt;
            }
            if (idle) {
                lock.unlock();
                idle();
                lock.lock();
                changed_.wait_for(lock, std::chrono::milliseconds(1),
                                  [this] { return !events_.empty(); });
            } else {
                changed_.wait_until(lock, deadline, [this] { return !events_.empty(); });
            }
        }
    }

    static void onState(pa_context* context, void* self) {
        if (pa_context_get_state(context) != PA_CONTEXT_READY) {
            return;
        }
        pa_operation* op = pa_context_subscribe(
            context, PA_SUBSCRIPTION_MASK_SINK_INPUT,
            [](pa_context*, int success, void* me) {
                auto* watch = static_cast<SinkInputWatch*>(me);
                std::lock_guard lock(watch->mutex_);
                watch->subscribed_ = success != 0;
                watch->changed_.notify_all();
            },
            self);
        if (op) {
            pa_operation_unref(op);
        }
    }

    static void onEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index,
                        void* self) {
        const auto at = Clock::now();
        auto* watch = static_cast<SinkInputWatch*>(self);
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (kind != PA_SUBSCRIPTION_EVENT_NEW && kind != PA_SUBSCRIPTION_EVENT_REMOVE) {
            return;
        }
        const bool created = kind == PA_SUBSCRIPTION_EVENT_NEW;
        std::lock_guard lock(watch->mutex_);
        if (created) {
            watch->open_.insert(index);
            ++watch->created_;
            watch->largest_ = std::max(watch->largest_, static_cast<int>(watch->open_.size()));
        } else {
            watch->open_.erase(index);
        }
        if (watch->keepEvents_) {
            watch->events_.push_back({at, created, index});
            watch->changed_.notify_all();
        }
    }

    const bool keepEvents_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool subscribed_ = false;
    std::deque<Event> events_;
    std::set<std::uint32_t> open_;
    int largest_ = 0;
    int created_ = 0;
};

} // namespace corvale::bench
