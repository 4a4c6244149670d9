#include "signals/linux/PulseConnection.h"

#include <algorithm>
#include <utility>

namespace corvale {
namespace {

// After the server went away: the first attempt to find it again soon, then less often.
constexpr pa_usec_t firstRetry = 250 * PA_USEC_PER_MSEC;
constexpr pa_usec_t lastRetry = 5 * PA_USEC_PER_SEC;

std::string errorText(int code) {
    return std::string("PulseAudio: ") + pa_strerror(code);
}

} // namespace

PulseConnection::PulseConnection(Listener listener)
    : listener_(std::move(listener)), loop_(pa_threaded_mainloop_new()), retryDelay_(firstRetry) {}

PulseConnection::~PulseConnection() {
    if (loop_) {
        pa_threaded_mainloop_free(loop_);
    }
}

bool PulseConnection::start() {
    if (!loop_) {
        return false;
    }
    pa_threaded_mainloop_set_name(loop_, "corvale-audio");
    return pa_threaded_mainloop_start(loop_) == 0;
}

void PulseConnection::stop() {
    pa_threaded_mainloop_stop(loop_);
}

void PulseConnection::connect() {
    if (retry_) {
        api()->time_free(retry_);
        retry_ = nullptr;
    }
    dropContext();
    pa_proplist* list = pa_proplist_new();
    pa_proplist_sets(list, PA_PROP_APPLICATION_NAME, "Corvale");
    pa_proplist_sets(list, PA_PROP_APPLICATION_ID, "com.talvo.corvale");
    pa_context* context = pa_context_new_with_proplist(api(), "Corvale", list);
    pa_proplist_free(list);
    if (!context) {
        lost("PulseAudio: cannot create a connection");
        return;
    }
    context_ = context;
    phase_ = Phase::connecting;
    connectingSince_ = pa_rtclock_now();
    pa_context_set_state_callback(context, &PulseConnection::onContextState, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        context_ == context) {
        lost(errorText(pa_context_errno(context)));
    }
}

void PulseConnection::close() {
    closed_ = true;
    if (retry_) {
        api()->time_free(retry_);
        retry_ = nullptr;
    }
    dropContext();
}

std::string PulseConnection::serverError() const {
    return errorText(context_ ? pa_context_errno(context_) : PA_ERR_CONNECTIONTERMINATED);
}

pa_time_event* PulseConnection::timerIn(pa_usec_t delay, pa_time_event_cb_t callback,
                                        void* userdata) const {
    // Wall-clock time: the monotonic form is only offered through a connection, and these timers
    // must run without one.
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, delay);
    return api()->time_new(api(), &when, callback, userdata);
}

// The listener hears of it first, then a new connection is tried in the background.
void PulseConnection::lost(const std::string& error) {
    dropContext();
    phase_ = Phase::failed;
    listener_.lost(error);
    if (!closed_ && !retry_) {
        retry_ = timerIn(retryDelay_, &PulseConnection::onRetry, this);
        retryDelay_ = std::min(retryDelay_ * 2, lastRetry);
    }
}

void PulseConnection::dropContext() {
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

void PulseConnection::onContextState(pa_context* context, void* userdata) {
    auto* connection = static_cast<PulseConnection*>(userdata);
    if (context != connection->context_) {
        return;
    }
    const auto state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        connection->phase_ = Phase::ready;
        connection->retryDelay_ = firstRetry;
        connection->listener_.ready();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        connection->lost(errorText(pa_context_errno(context)));
    }
}

void PulseConnection::onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                              void* userdata) {
    auto* connection = static_cast<PulseConnection*>(userdata);
    api->time_free(event);
    connection->retry_ = nullptr;
    if (connection->phase_ == Phase::failed && !connection->closed_) {
        connection->connect();
    }
}

} // namespace corvale
