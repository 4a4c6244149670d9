#include "signals/linux/PulseAudioEngine.h"

#include "signals/GainStage.h"

#include <QMetaObject>
#include <QObject>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>
#include <vector>

namespace corvale {

// The one PulseAudio event thread that all playbacks share, and the object on the main thread
// that receives their callbacks. Playbacks keep it alive, so it outlives the last of them.
class PulseThread {
public:
    PulseThread() : loop_(pa_threaded_mainloop_new()), receiver_(std::make_unique<QObject>()) {
        if (loop_) {
            pa_threaded_mainloop_set_name(loop_, "corvale-audio");
        }
    }
    ~PulseThread() {
        if (running_) {
            pa_threaded_mainloop_stop(loop_);
        }
        dropUnanswered();
        if (loop_) {
            pa_threaded_mainloop_free(loop_);
        }
        // The last reference may go while the receiver delivers a callback.
        receiver_.release()->deleteLater();
    }
    PulseThread(const PulseThread&) = delete;
    PulseThread& operator=(const PulseThread&) = delete;

    bool ensureRunning() {
        if (!running_ && loop_) {
            running_ = pa_threaded_mainloop_start(loop_) == 0;
        }
        return running_;
    }
    pa_threaded_mainloop* loop() const { return loop_; }
    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop_); }
    QObject* receiver() const { return receiver_.get(); }

    // A connection the server accepted and never answered is kept waiting: until it is answered
    // or broken, the server is taken as hung and each start fails at once instead of blocking
    // the caller for the whole timeout again. Called with the event thread locked.
    void keepUnanswered(pa_context* context) {
        dropUnanswered();
        pa_context_set_state_callback(context, nullptr, nullptr);
        unanswered_ = context;
    }
    bool serverHung() {
        if (!unanswered_) {
            return false;
        }
        const auto state = pa_context_get_state(unanswered_);
        if (PA_CONTEXT_IS_GOOD(state) && state != PA_CONTEXT_READY) {
            return true;
        }
        dropUnanswered();
        return false;
    }

private:
    void dropUnanswered() {
        if (unanswered_) {
            pa_context_disconnect(unanswered_);
            pa_context_unref(unanswered_);
            unanswered_ = nullptr;
        }
    }

    pa_threaded_mainloop* loop_;
    pa_context* unanswered_ = nullptr;
    std::unique_ptr<QObject> receiver_;
    bool running_ = false;
};

namespace {

// How long a start may wait for a server that accepted the connection but does not answer.
constexpr pa_usec_t answerTimeout = 2 * PA_USEC_PER_SEC;
// Latency we ask for: short enough for the position to follow what is heard.
constexpr pa_usec_t targetLatency = 100 * PA_USEC_PER_MSEC;
// The first audio decoded before we report a start.
constexpr int firstBlockMillis = 50;
constexpr const char* noAnswer = "PulseAudio: the audio server does not answer";

std::string serverError(pa_context* context) {
    return std::string("PulseAudio: ") + pa_strerror(pa_context_errno(context));
}

class ThreadLock {
public:
    explicit ThreadLock(pa_threaded_mainloop* loop) : loop_(loop) {
        pa_threaded_mainloop_lock(loop_);
    }
    ~ThreadLock() { pa_threaded_mainloop_unlock(loop_); }
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

struct PlaybackState {
    std::shared_ptr<PulseThread> thread;
    std::weak_ptr<PlaybackState> self;

    // Touched with the event thread locked.
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_operation* drain = nullptr;
    pa_time_event* timer = nullptr;
    std::unique_ptr<AudioStream> source;
    float gain = 1.0f;
    std::size_t channels = 0;
    std::vector<float> firstBlock;
    std::size_t firstBlockPos = 0;
    bool sourceEnded = false;
    std::string sourceError;
    bool reported = false;
    bool timedOut = false;
    double offset = 0;
    double stoppedAt = 0;

    // Main thread only.
    AudioEngine::Finished finished;
    bool done = false;

    void signal() { pa_threaded_mainloop_signal(thread->loop(), 0); }

    // Hands the end of the playback to the main thread, once.
    void report(std::string error) {
        if (reported) {
            return;
        }
        reported = true;
        QMetaObject::invokeMethod(
            thread->receiver(),
            [weak = self, error = std::move(error)] {
                auto state = weak.lock();
                if (!state || state->done) {
                    return;
                }
                state->done = true;
                // The callback may destroy the playback, so it runs from a copy of its own.
                auto finished = std::move(state->finished);
                if (finished) {
                    finished(error);
                }
            },
            Qt::QueuedConnection);
    }

    // Fills what the server asks for, decoding as we go; asks for the drain at the end.
    void fill(std::size_t bytes) {
        if (sourceEnded || !stream) {
            return;
        }
        const std::size_t frameBytes = channels * sizeof(float);
        void* data = nullptr;
        std::size_t granted = bytes / frameBytes * frameBytes;
        if (granted == 0) {
            return;
        }
        if (pa_stream_begin_write(stream, &data, &granted) < 0 || !data) {
            report(serverError(context));
            return;
        }
        const std::size_t frames = granted / frameBytes;
        auto* out = static_cast<float*>(data);
        std::size_t written = 0;
        const std::size_t firstLeft = firstBlock.size() / channels - firstBlockPos;
        if (firstLeft > 0) {
            written = std::min(frames, firstLeft);
            std::copy_n(firstBlock.begin() + static_cast<std::ptrdiff_t>(firstBlockPos * channels),
                        written * channels, out);
            firstBlockPos += written;
            if (firstBlockPos * channels == firstBlock.size()) {
                firstBlock = {};
                firstBlockPos = 0;
            }
        }
        if (written < frames) {
            written += source->read(out + written * channels, frames - written);
            if (written < frames) {
                sourceEnded = true;
                sourceError = source->error();
            }
        }
        if (written == 0) {
            pa_stream_cancel_write(stream);
        } else {
            applyGain(out, written * channels, gain);
            if (pa_stream_write(stream, out, written * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) <
                0) {
                report(serverError(context));
                return;
            }
        }
        if (sourceEnded) {
            drain = pa_stream_drain(stream, &PlaybackState::onDrained, this);
            if (!drain) {
                report(serverError(context));
            }
        }
    }

    // Disconnects from the server; after this no callback of the event thread reaches us.
    void releaseLocked() {
        if (timer) {
            thread->api()->time_free(timer);
            timer = nullptr;
        }
        if (drain) {
            pa_operation_cancel(drain);
            pa_operation_unref(drain);
            drain = nullptr;
        }
        if (stream) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
            stream = nullptr;
        }
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        source.reset();
    }

    double positionLocked() const {
        if (!stream) {
            return stoppedAt;
        }
        pa_usec_t played = 0;
        if (pa_stream_get_time(stream, &played) < 0) {
            return offset;
        }
        return offset + static_cast<double>(played) / PA_USEC_PER_SEC;
    }

    static void onContextState(pa_context* context, void* userdata) {
        auto* state = static_cast<PlaybackState*>(userdata);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            state->report(serverError(context));
        }
        state->signal();
    }

    static void onStreamState(pa_stream* stream, void* userdata) {
        auto* state = static_cast<PlaybackState*>(userdata);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            state->report(serverError(state->context));
        }
        state->signal();
    }

    static void onWrite(pa_stream*, std::size_t bytes, void* userdata) {
        static_cast<PlaybackState*>(userdata)->fill(bytes);
    }

    static void onDrained(pa_stream*, int success, void* userdata) {
        auto* state = static_cast<PlaybackState*>(userdata);
        if (state->drain) {
            pa_operation_unref(state->drain);
            state->drain = nullptr;
        }
        state->report(success ? state->sourceError : serverError(state->context));
    }

    static void onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
        auto* state = static_cast<PlaybackState*>(userdata);
        state->timedOut = true;
        state->signal();
    }
};

class PulsePlayback : public AudioPlayback {
public:
    explicit PulsePlayback(std::shared_ptr<PlaybackState> state) : state_(std::move(state)) {}
    ~PulsePlayback() override { stop(); }
    PulsePlayback(const PulsePlayback&) = delete;
    PulsePlayback& operator=(const PulsePlayback&) = delete;

    double position() const override {
        ThreadLock lock(state_->thread->loop());
        return state_->positionLocked();
    }

    bool isPlaying() const override {
        if (state_->done) {
            return false;
        }
        ThreadLock lock(state_->thread->loop());
        return !state_->reported;
    }

    void stop() override {
        state_->done = true;
        state_->finished = nullptr;
        ThreadLock lock(state_->thread->loop());
        if (state_->stream) {
            state_->stoppedAt = state_->positionLocked();
        }
        state_->releaseLocked();
    }

private:
    std::shared_ptr<PlaybackState> state_;
};

PlaybackStart failure(std::string error) {
    return {nullptr, std::move(error)};
}

std::string formatSeconds(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

pa_proplist* properties(std::initializer_list<std::pair<const char*, const char*>> entries) {
    pa_proplist* list = pa_proplist_new();
    for (const auto& [key, value] : entries) {
        pa_proplist_sets(list, key, value);
    }
    return list;
}

// Waits, with the event thread locked, until ready() or failed() holds or the server took too
// long; returns the error text, empty when ready.
template <typename Ready, typename Failed>
std::string awaitLocked(PlaybackState& state, Ready ready, Failed failed) {
    for (;;) {
        if (ready()) {
            return {};
        }
        if (failed()) {
            return serverError(state.context);
        }
        if (state.timedOut) {
            return noAnswer;
        }
        pa_threaded_mainloop_wait(state.thread->loop());
    }
}

} // namespace

PulseAudioEngine::PulseAudioEngine() : thread_(std::make_shared<PulseThread>()) {}

PulseAudioEngine::~PulseAudioEngine() = default;

PlaybackStart PulseAudioEngine::start(std::unique_ptr<AudioStream> source, float gain,
                                      double offset, Finished finished) {
    if (!source) {
        return failure("no sound to play");
    }
    const int rate = source->sampleRate();
    const int channels = source->channels();
    if (rate <= 0 || static_cast<unsigned>(rate) > PA_RATE_MAX || channels <= 0 ||
        static_cast<unsigned>(channels) > PA_CHANNELS_MAX) {
        return failure("unsupported audio format");
    }
    if (!(offset > 0)) {
        offset = 0;
    } else if (!source->seek(offset)) {
        return failure("cannot start the sound at " + formatSeconds(offset) + " s");
    }

    auto state = std::make_shared<PlaybackState>();
    state->self = state;
    state->thread = thread_;
    state->gain = gain;
    state->channels = static_cast<std::size_t>(channels);
    state->offset = offset;
    state->finished = std::move(finished);

    const auto blockFrames = static_cast<std::size_t>(std::max(1, rate * firstBlockMillis / 1000));
    state->firstBlock.resize(blockFrames * state->channels);
    const std::size_t decoded = source->read(state->firstBlock.data(), blockFrames);
    if (decoded == 0) {
        return failure(source->error().empty() ? "the sound holds no audio" : source->error());
    }
    state->firstBlock.resize(decoded * state->channels);
    state->source = std::move(source);

    if (!thread_->ensureRunning()) {
        return failure("PulseAudio: cannot start the audio thread");
    }
    ThreadLock lock(thread_->loop());
    auto fail = [&](std::string error) {
        state->releaseLocked();
        return failure(std::move(error));
    };
    if (thread_->serverHung()) {
        return fail(noAnswer);
    }

    pa_proplist* appProperties = properties(
        {{PA_PROP_APPLICATION_NAME, "Corvale"}, {PA_PROP_APPLICATION_ID, "com.talvo.corvale"}});
    state->context = pa_context_new_with_proplist(thread_->api(), "Corvale", appProperties);
    pa_proplist_free(appProperties);
    if (!state->context) {
        return fail("PulseAudio: cannot create a connection");
    }
    pa_context_set_state_callback(state->context, &PlaybackState::onContextState, state.get());
    if (pa_context_connect(state->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return fail(serverError(state->context));
    }
    state->timer = pa_context_rttime_new(state->context, pa_rtclock_now() + answerTimeout,
                                         &PlaybackState::onTimeout, state.get());
    std::string error = awaitLocked(
        *state, [&] { return pa_context_get_state(state->context) == PA_CONTEXT_READY; },
        [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(state->context)); });
    if (!error.empty() && state->timedOut) {
        thread_->keepUnanswered(std::exchange(state->context, nullptr));
    }
    if (!error.empty()) {
        return fail(error);
    }

    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate),
                          static_cast<uint8_t>(channels)};
    pa_channel_map map;
    if (!pa_channel_map_init_auto(&map, format.channels, PA_CHANNEL_MAP_DEFAULT)) {
        pa_channel_map_init_extend(&map, format.channels, PA_CHANNEL_MAP_DEFAULT);
    }
    pa_proplist* streamProperties = properties({{PA_PROP_MEDIA_ROLE, "event"}});
    state->stream = pa_stream_new_with_proplist(state->context, "Corvale sound", &format, &map,
                                                streamProperties);
    pa_proplist_free(streamProperties);
    if (!state->stream) {
        return fail(serverError(state->context));
    }
    pa_stream_set_state_callback(state->stream, &PlaybackState::onStreamState, state.get());
    pa_stream_set_write_callback(state->stream, &PlaybackState::onWrite, state.get());
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(pa_usec_to_bytes(targetLatency, &format));
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(state->stream, nullptr, &attributes, flags, nullptr, nullptr) <
        0) {
        return fail(serverError(state->context));
    }
    error = awaitLocked(
        *state, [&] { return pa_stream_get_state(state->stream) == PA_STREAM_READY; },
        [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(state->stream)); });
    if (!error.empty()) {
        return fail(error);
    }
    thread_->api()->time_free(state->timer);
    state->timer = nullptr;
    return {std::make_unique<PulsePlayback>(std::move(state)), {}};
}

} // namespace corvale
