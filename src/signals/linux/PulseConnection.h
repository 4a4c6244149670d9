#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

namespace corvale {

// PulseAudio's event thread and one long-lived connection to the server on it. A connection that
// fails or is lost is tried again in the background, soon at first and then less often, until it
// is closed. Except for construction, start(), stop() and Lock, everything here is used with the
// event thread locked, and the listener is told with it locked.
class PulseConnection {
public:
    enum class Phase { connecting, ready, failed };

    struct Listener {
        std::function<void()> ready;
        // Whatever used the connection has lost it too.
        std::function<void(const std::string& error)> lost;
    };

    // While held, none of the event thread's callbacks runs.
    class Lock {
    public:
        explicit Lock(PulseConnection& connection) : loop_(connection.loop_) {
            pa_threaded_mainloop_lock(loop_);
        }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    // Makes the event thread without starting it.
    explicit PulseConnection(Listener listener);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // False when the event thread could not be made; otherwise it can be locked, even unstarted.
    bool made() const { return loop_ != nullptr; }
    // Starts the event thread; false when it cannot run.
    bool start();
    // Stops the event thread, after close().
    void stop();

    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop_); }
    // Drops the connection there is, if any, and asks for a new one now.
    void connect();
    // Drops the connection and tries no more.
    void close();
    Phase phase() const { return phase_; }
    // When the connection being set up was asked for, on pa_rtclock_now()'s clock.
    pa_usec_t connectingSince() const { return connectingSince_; }
    // Null while there is none.
    pa_context* context() const { return context_; }
    // Why the server let us down; the connection may already be gone.
    std::string serverError() const;
    // Fires once on the event thread, connected or not.
    pa_time_event* timerIn(pa_usec_t delay, pa_time_event_cb_t callback, void* userdata) const;

private:
    void lost(const std::string& error);
    void dropContext();

    static void onContextState(pa_context* context, void* userdata);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* userdata);

    Listener listener_;
    pa_threaded_mainloop* loop_;

    // With the event thread locked.
    pa_context* context_ = nullptr;
    Phase phase_ = Phase::failed;
    pa_usec_t connectingSince_ = 0;
    pa_time_event* retry_ = nullptr;
    pa_usec_t retryDelay_;
    bool closed_ = false;
};

} // namespace corvale
