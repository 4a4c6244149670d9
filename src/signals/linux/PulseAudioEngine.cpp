#include "signals/linux/PulseAudioEngine.h"

#include "core/AlertTrace.h"
#include "signals/GainStage.h"
#include "signals/linux/MainThreadPost.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sstream>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace corvale {
namespace {

// How long a start may wait for the server's answer.
constexpr pa_usec_t answerTimeout = 2 * PA_USEC_PER_SEC;
// Latency we ask for: short enough for the position to follow what is heard.
constexpr pa_usec_t targetLatency = 100 * PA_USEC_PER_MSEC;
// The first audio decoded before the stream is fed.
constexpr int firstBlockMillis = 50;
// The stream is asked for before the file is open, in the format of our own tones; its rate is
// changed when the file turns out to differ. Mono is widened to both channels, as the server's
// own remixing would.
constexpr uint32_t guessedRate = 48000;
constexpr std::size_t outputChannels = 2;
// After the server went away: the first attempt to find it again soon, then less often.
constexpr pa_usec_t firstRetry = 250 * PA_USEC_PER_MSEC;
constexpr pa_usec_t lastRetry = 5 * PA_USEC_PER_SEC;
constexpr const char* noAnswer = "PulseAudio: the audio server does not answer";

std::string errorText(int code) {
    return std::string("PulseAudio: ") + pa_strerror(code);
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

} // namespace

struct PulseSound {
    PulseCore* core = nullptr;
    std::weak_ptr<PulseSound> self;
    // Fixed before the state is shared.
    std::string path;
    float gain = 1.0f;
    double offset = 0;

    // With the event thread locked.
    pa_stream* stream = nullptr;
    pa_operation* drain = nullptr;
    pa_time_event* timer = nullptr;
    uint32_t streamRate = guessedRate;
    bool streamReady = false;
    std::unique_ptr<AudioStream> source;
    int sourceChannels = 0;
    double duration = 0;
    std::vector<float> firstBlock; // already in the output's two channels
    std::size_t firstBlockPos = 0;
    std::vector<float> narrow;
    bool sourceEnded = false;
    std::string sourceError;
    bool startReported = false;
    bool over = false; // the event thread is done with it: failed, ended or stopped
    double stoppedAt = -1;

    std::atomic<bool> ended{false};

    // Main thread only.
    AudioEngine::Started started;
    AudioEngine::Finished finished;
    bool done = false;
};

// The event thread, the connection, the decoder thread and the receiver of results on the main
// thread: one per engine, kept by the playbacks so that they can still be asked after the engine
// has gone.
class PulseCore {
public:
    explicit PulseCore(AudioDecoder& decoder)
        : decoder_(decoder), loop_(pa_threaded_mainloop_new()),
          poster_(std::make_shared<MainThreadPost>()) {
        wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (!loop_ || wakeFd_ < 0) {
            return;
        }
        pa_threaded_mainloop_set_name(loop_, "corvale-audio");
        if (pa_threaded_mainloop_start(loop_) != 0) {
            return;
        }
        running_ = true;
        decoderThread_ = std::thread([this] { decodeLoop(); });
        ThreadLock lock(loop_);
        reaper_ = api()->defer_new(api(), &PulseCore::onReap, this);
        api()->defer_enable(reaper_, 0);
        requestsEvent_ =
            api()->io_new(api(), wakeFd_, PA_IO_EVENT_INPUT, &PulseCore::onRequests, this);
        // Connected from the start, so the first sound does not wait for it.
        connect();
    }
    ~PulseCore() {
        shutdown();
        if (loop_) {
            pa_threaded_mainloop_free(loop_);
        }
        if (wakeFd_ >= 0) {
            close(wakeFd_);
        }
    }
    PulseCore(const PulseCore&) = delete;
    PulseCore& operator=(const PulseCore&) = delete;

    void shutdown() {
        if (!running_) {
            poster_->close();
            return;
        }
        running_ = false;
        {
            std::lock_guard lock(jobsMutex_);
            stopJobs_ = true;
        }
        jobsWake_.notify_all();
        decoderThread_.join();
        {
            ThreadLock lock(loop_);
            shutDown_ = true;
            auto active = active_;
            {
                // Asked for but not yet taken up by the event thread.
                std::lock_guard requestsLock(requestsMutex_);
                active.insert(active.end(), requests_.begin(), requests_.end());
                requests_.clear();
            }
            for (auto& state : active) {
                retire(*state);
            }
            reap();
            if (requestsEvent_) {
                api()->io_free(requestsEvent_);
                requestsEvent_ = nullptr;
            }
            if (retry_) {
                api()->time_free(retry_);
                retry_ = nullptr;
            }
            if (reaper_) {
                api()->defer_free(reaper_);
                reaper_ = nullptr;
            }
            dropContext();
        }
        pa_threaded_mainloop_stop(loop_);
        // Results not yet delivered are dropped.
        poster_->close();
    }

    // Main thread: hands the request over and returns. It never takes the event thread's lock
    // here, which that thread holds while it decodes for the sounds already playing.
    void start(const std::shared_ptr<PulseSound>& state) {
        if (!running_) {
            state->over = true;
            state->ended = true;
            post(state, PlaybackStarted{"PulseAudio: cannot start the audio thread", false, 0});
            return;
        }
        {
            std::lock_guard lock(requestsMutex_);
            requests_.push_back(state);
        }
        const std::uint64_t one = 1;
        // Fails only when the counter is about to overflow, which the event thread's reads
        // prevent; the request then goes with the next one.
        [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
    }

    void stop(PulseSound& state) {
        // Once ended, a sound is silent for good: a sound that ended by itself (the common case)
        // costs the main thread no lock.
        if (!loop_ || state.ended) {
            return;
        }
        ThreadLock lock(loop_);
        if (state.over) {
            return;
        }
        state.stoppedAt = positionLocked(state);
        retire(state);
    }

    double position(const PulseSound& state) {
        if (!loop_) {
            return state.offset;
        }
        ThreadLock lock(loop_);
        return positionLocked(state);
    }

private:
    enum class Phase { connecting, ready, failed };

    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop_); }

    // Why the server let us down; the connection may already be gone.
    std::string serverError() const {
        return errorText(context_ ? pa_context_errno(context_) : PA_ERR_CONNECTIONTERMINATED);
    }

    pa_time_event* timerIn(pa_usec_t delay, pa_time_event_cb_t callback, void* userdata) {
        // Wall-clock time: the monotonic form is only offered through a connection, and these
        // timers must run without one.
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, delay);
        return api()->time_new(api(), &when, callback, userdata);
    }

    // --- With the event thread locked. ---

    // The stream is asked of the server first, then the file goes to the decoder thread: the
    // server's answer takes the longer of the two.
    void takeRequests() {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = read(wakeFd_, &count, sizeof count);
        std::vector<std::shared_ptr<PulseSound>> requests;
        {
            std::lock_guard lock(requestsMutex_);
            requests.swap(requests_);
        }
        bool decoding = false;
        for (auto& state : requests) {
            // Stopped before it got here.
            if (state->over) {
                continue;
            }
            admit(state);
            if (!state->over) {
                std::lock_guard lock(jobsMutex_);
                jobs_.push_back(state);
                decoding = true;
            }
        }
        if (decoding) {
            jobsWake_.notify_one();
        }
    }

    void admit(const std::shared_ptr<PulseSound>& state) {
        active_.push_back(state);
        state->timer = timerIn(answerTimeout, &PulseCore::onTimeout, state.get());
        switch (phase_) {
        case Phase::ready:
            openStream(*state);
            break;
        case Phase::connecting:
            // A server that took the connection and has not answered for so long is hung:
            // waiting again would only delay the fallback.
            if (pa_rtclock_now() - connectingSince_ >= answerTimeout) {
                fail(*state, noAnswer);
            }
            break;
        case Phase::failed:
            // Perhaps back already: try now rather than at the next background attempt.
            connect();
            break;
        }
    }

    void connect() {
        if (retry_) {
            api()->time_free(retry_);
            retry_ = nullptr;
        }
        dropContext();
        pa_proplist* list = properties(
            {{PA_PROP_APPLICATION_NAME, "Corvale"}, {PA_PROP_APPLICATION_ID, "com.talvo.corvale"}});
        pa_context* context = pa_context_new_with_proplist(api(), "Corvale", list);
        pa_proplist_free(list);
        if (!context) {
            connectionLost("PulseAudio: cannot create a connection");
            return;
        }
        context_ = context;
        phase_ = Phase::connecting;
        connectingSince_ = pa_rtclock_now();
        pa_context_set_state_callback(context, &PulseCore::onContextState, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
            context_ == context) {
            connectionLost(errorText(pa_context_errno(context)));
        }
    }

    void dropContext() {
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
    }

    // Every sound waiting for or playing on the connection fails with it; a new connection is
    // tried in the background.
    void connectionLost(const std::string& error) {
        dropContext();
        phase_ = Phase::failed;
        auto active = active_;
        for (auto& state : active) {
            fail(*state, error);
        }
        if (!shutDown_ && !retry_) {
            retry_ = timerIn(retryDelay_, &PulseCore::onRetry, this);
            retryDelay_ = std::min(retryDelay_ * 2, lastRetry);
        }
    }

    void connected() {
        phase_ = Phase::ready;
        retryDelay_ = firstRetry;
        auto active = active_;
        for (auto& state : active) {
            if (!state->over && !state->stream) {
                openStream(*state);
            }
        }
    }

    // The stream is asked for before the file is open, at the rate the file had the last time
    // it played (or a common rate the first time). A fixed rate lets the server set the stream
    // up without a resampler when it matches the device; a wrong guess costs a second stream.
    void openStream(PulseSound& state) {
        if (state.source) {
            state.streamRate = static_cast<uint32_t>(state.source->sampleRate());
        } else if (auto known = knownRates_.find(state.path); known != knownRates_.end()) {
            state.streamRate = known->second;
        }
        pa_sample_spec format{PA_SAMPLE_FLOAT32NE, state.streamRate,
                              static_cast<uint8_t>(outputChannels)};
        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        pa_proplist* list = properties({{PA_PROP_MEDIA_ROLE, "event"}});
        state.stream = pa_stream_new_with_proplist(context_, "Corvale sound", &format, &map, list);
        pa_proplist_free(list);
        if (!state.stream) {
            fail(state, serverError());
            return;
        }
        pa_stream_set_state_callback(state.stream, &PulseCore::onStreamState, &state);
        pa_stream_set_write_callback(state.stream, &PulseCore::onWrite, &state);
        pa_buffer_attr attributes;
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.tlength = static_cast<uint32_t>(pa_usec_to_bytes(targetLatency, &format));
        attributes.prebuf = static_cast<uint32_t>(-1);
        attributes.minreq = static_cast<uint32_t>(-1);
        attributes.fragsize = static_cast<uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_stream_connect_playback(state.stream, nullptr, &attributes, flags, nullptr,
                                       nullptr) < 0) {
            fail(state, serverError());
            return;
        }
        alertTrace::stage("audio: stream asked of the server");
    }

    // The stream is ready and the file open: match the rate and send the first audio.
    void feed(PulseSound& state) {
        const auto rate = static_cast<uint32_t>(state.source->sampleRate());
        if (knownRates_.size() >= maxKnownRates) {
            knownRates_.clear();
        }
        knownRates_[state.path] = rate;
        if (rate != state.streamRate) {
            // We may be in the old stream's own callback: it goes at the loop's next turn.
            detachCallbacks(state.stream);
            replaced_.push_back(std::exchange(state.stream, nullptr));
            state.streamReady = false;
            reapSoon();
            openStream(state);
            return;
        }
        fill(state, pa_stream_writable_size(state.stream));
    }

    // Reads up to frames frames from the file in the output's two channels.
    static std::size_t readWide(PulseSound& state, float* out, std::size_t frames) {
        if (state.sourceChannels == static_cast<int>(outputChannels)) {
            return state.source->read(out, frames);
        }
        state.narrow.resize(frames);
        const std::size_t got = state.source->read(state.narrow.data(), frames);
        for (std::size_t i = 0; i < got; ++i) {
            out[2 * i] = state.narrow[i];
            out[2 * i + 1] = state.narrow[i];
        }
        return got;
    }

    // Fills what the server asks for, decoding as we go; asks for the drain at the end.
    void fill(PulseSound& state, std::size_t bytes) {
        if (state.over || !state.streamReady || !state.source || state.sourceEnded) {
            return;
        }
        constexpr std::size_t frameBytes = outputChannels * sizeof(float);
        void* data = nullptr;
        std::size_t granted = bytes / frameBytes * frameBytes;
        if (granted == 0) {
            return;
        }
        if (pa_stream_begin_write(state.stream, &data, &granted) < 0 || !data) {
            fail(state, serverError());
            return;
        }
        const std::size_t frames = granted / frameBytes;
        auto* out = static_cast<float*>(data);
        std::size_t written = 0;
        const std::size_t firstLeft =
            state.firstBlock.size() / outputChannels - state.firstBlockPos;
        if (firstLeft > 0) {
            written = std::min(frames, firstLeft);
            std::copy_n(state.firstBlock.begin() +
                            static_cast<std::ptrdiff_t>(state.firstBlockPos * outputChannels),
                        written * outputChannels, out);
            state.firstBlockPos += written;
            if (state.firstBlockPos * outputChannels == state.firstBlock.size()) {
                state.firstBlock = {};
                state.firstBlockPos = 0;
            }
        }
        if (written < frames) {
            written += readWide(state, out + written * outputChannels, frames - written);
            if (written < frames) {
                state.sourceEnded = true;
                state.sourceError = state.source->error();
            }
        }
        if (written == 0) {
            pa_stream_cancel_write(state.stream);
        } else {
            applyGain(out, written * outputChannels, state.gain);
            if (pa_stream_write(state.stream, out, written * frameBytes, nullptr, 0,
                                PA_SEEK_RELATIVE) < 0) {
                fail(state, serverError());
                return;
            }
            if (!state.startReported) {
                alertTrace::stage("audio: first audio written");
                reportStarted(state, {});
            }
        }
        if (state.sourceEnded) {
            state.drain = pa_stream_drain(state.stream, &PulseCore::onDrained, &state);
            if (!state.drain) {
                fail(state, serverError());
            }
        }
    }

    double positionLocked(const PulseSound& state) const {
        if (state.stoppedAt >= 0) {
            return state.stoppedAt;
        }
        pa_usec_t played = 0;
        if (!state.stream || !state.startReported ||
            pa_stream_get_time(state.stream, &played) < 0) {
            return state.offset;
        }
        return state.offset + static_cast<double>(played) / PA_USEC_PER_SEC;
    }

    void reportStarted(PulseSound& state, std::string error, bool fileError = false) {
        state.startReported = true;
        if (state.timer) {
            api()->time_free(state.timer);
            state.timer = nullptr;
        }
        post(state.self.lock(), PlaybackStarted{std::move(error), fileError, state.duration});
    }

    void fail(PulseSound& state, std::string error, bool fileError = false) {
        if (state.over) {
            return;
        }
        if (!state.startReported) {
            reportStarted(state, std::move(error), fileError);
        } else {
            postFinished(state.self.lock(), std::move(error));
        }
        retire(state);
    }

    // No callback reaches the state after this; its stream goes at the next turn of the loop,
    // outside whatever callback of the stream we may be in.
    void retire(PulseSound& state) {
        state.over = true;
        state.ended = true;
        if (state.timer) {
            api()->time_free(state.timer);
            state.timer = nullptr;
        }
        if (state.stream) {
            detachCallbacks(state.stream);
        }
        auto found = std::find_if(active_.begin(), active_.end(),
                                  [&](const auto& s) { return s.get() == &state; });
        if (found != active_.end()) {
            retired_.push_back(std::move(*found));
            active_.erase(found);
        }
        reapSoon();
    }

    static void detachCallbacks(pa_stream* stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
    }

    // Streams let go of are released at the loop's next turn.
    void reapSoon() {
        if (reaper_) {
            api()->defer_enable(reaper_, 1);
        }
    }

    void reap() {
        for (auto* stream : std::exchange(replaced_, {})) {
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
        auto retired = std::move(retired_);
        retired_.clear();
        for (auto& state : retired) {
            if (state->drain) {
                pa_operation_cancel(state->drain);
                pa_operation_unref(state->drain);
                state->drain = nullptr;
            }
            if (state->stream) {
                if (state->stoppedAt < 0) {
                    state->stoppedAt = positionLocked(*state);
                }
                pa_stream_disconnect(state->stream);
                pa_stream_unref(state->stream);
                state->stream = nullptr;
            }
            state->source.reset();
        }
        if (reaper_) {
            api()->defer_enable(reaper_, 0);
        }
    }

    // --- Delivery to the main thread. ---

    void post(std::shared_ptr<PulseSound> state, PlaybackStarted result) {
        if (!state) {
            return;
        }
        poster_->post([weak = std::weak_ptr(state), result = std::move(result)] {
            auto state = weak.lock();
            if (!state || state->done) {
                return;
            }
            if (!result.error.empty()) {
                state->done = true;
                state->finished = nullptr;
            }
            alertTrace::stage("main: start result delivered");
            // The callback may destroy the playback, so it runs from a copy of its own.
            auto started = result.error.empty() ? state->started : std::move(state->started);
            if (started) {
                started(result);
            }
        });
    }

    void postFinished(std::shared_ptr<PulseSound> state, std::string error) {
        if (!state) {
            return;
        }
        poster_->post([weak = std::weak_ptr(state), error = std::move(error)] {
            auto state = weak.lock();
            if (!state || state->done) {
                return;
            }
            state->done = true;
            state->started = nullptr;
            auto finished = std::move(state->finished);
            if (finished) {
                finished(error);
            }
        });
    }

    // --- The decoder thread: opens files while their streams are being set up. ---

    void decodeLoop() {
        for (;;) {
            std::shared_ptr<PulseSound> state;
            {
                std::unique_lock lock(jobsMutex_);
                jobsWake_.wait(lock, [&] { return stopJobs_ || !jobs_.empty(); });
                if (stopJobs_) {
                    return;
                }
                state = std::move(jobs_.front());
                jobs_.pop_front();
            }
            if (state->ended) {
                continue;
            }
            std::string error;
            alertTrace::stage("decoder: opening the file");
            auto opened = decoder_.open(state->path);
            std::vector<float> first;
            if (!opened.stream) {
                error = opened.error.empty() ? "could not open the file" : opened.error;
            } else {
                error = prepare(*opened.stream, state->offset, first);
            }
            alertTrace::stage("decoder: first audio decoded");
            ThreadLock lock(loop_);
            if (state->over) {
                continue;
            }
            if (!error.empty()) {
                fail(*state, error, true);
                continue;
            }
            state->sourceChannels = opened.stream->channels();
            state->duration = opened.stream->duration();
            state->firstBlock = std::move(first);
            state->source = std::move(opened.stream);
            if (state->streamReady) {
                feed(*state);
            }
        }
    }

    // Checks the format, goes to the offset and decodes the first audio in two channels.
    static std::string prepare(AudioStream& source, double offset, std::vector<float>& first) {
        const int rate = source.sampleRate();
        const int channels = source.channels();
        if (rate <= 0 || static_cast<unsigned>(rate) > PA_RATE_MAX || channels < 1 ||
            channels > static_cast<int>(outputChannels)) {
            return "unsupported audio format";
        }
        if (offset > 0 && !source.seek(offset)) {
            return "cannot start the sound at " + formatSeconds(offset) + " s";
        }
        const auto frames = static_cast<std::size_t>(std::max(1, rate * firstBlockMillis / 1000));
        std::vector<float> block(frames * static_cast<std::size_t>(channels));
        const std::size_t got = source.read(block.data(), frames);
        if (got == 0) {
            return source.error().empty() ? "the sound holds no audio" : source.error();
        }
        first.resize(got * outputChannels);
        for (std::size_t i = 0; i < got; ++i) {
            first[2 * i] = block[i * static_cast<std::size_t>(channels)];
            first[2 * i + 1] = block[i * static_cast<std::size_t>(channels) +
                                     static_cast<std::size_t>(channels - 1)];
        }
        return {};
    }

    // --- Callbacks of the event thread, which holds the lock while it runs them. ---

    static void onContextState(pa_context* context, void* userdata) {
        auto* core = static_cast<PulseCore*>(userdata);
        if (context != core->context_) {
            return;
        }
        const auto state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            core->connected();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            core->connectionLost(errorText(pa_context_errno(context)));
        }
    }

    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                        void* userdata) {
        auto* core = static_cast<PulseCore*>(userdata);
        api->time_free(event);
        core->retry_ = nullptr;
        if (core->phase_ == Phase::failed && !core->shutDown_) {
            core->connect();
        }
    }

    static void onStreamState(pa_stream* stream, void* userdata) {
        auto* state = static_cast<PulseSound*>(userdata);
        auto* core = state->core;
        const auto streamState = pa_stream_get_state(stream);
        if (streamState == PA_STREAM_READY) {
            alertTrace::stage("audio: stream ready");
            state->streamReady = true;
            if (state->source) {
                core->feed(*state);
            }
        } else if (!PA_STREAM_IS_GOOD(streamState)) {
            core->fail(*state, core->serverError());
        }
    }

    static void onWrite(pa_stream*, std::size_t bytes, void* userdata) {
        auto* state = static_cast<PulseSound*>(userdata);
        state->core->fill(*state, bytes);
    }

    static void onDrained(pa_stream*, int success, void* userdata) {
        auto* state = static_cast<PulseSound*>(userdata);
        auto* core = state->core;
        if (state->drain) {
            pa_operation_unref(state->drain);
            state->drain = nullptr;
        }
        if (state->over) {
            return;
        }
        core->postFinished(state->self.lock(), success ? state->sourceError : core->serverError());
        core->retire(*state);
    }

    static void onTimeout(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                          void* userdata) {
        auto* state = static_cast<PulseSound*>(userdata);
        api->time_free(event);
        state->timer = nullptr;
        if (!state->startReported) {
            state->core->fail(*state, noAnswer);
        }
    }

    static void onRequests(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t,
                           void* userdata) {
        alertTrace::stage("audio: request taken up");
        static_cast<PulseCore*>(userdata)->takeRequests();
    }

    static void onReap(pa_mainloop_api*, pa_defer_event*, void* userdata) {
        static_cast<PulseCore*>(userdata)->reap();
    }

    AudioDecoder& decoder_;
    pa_threaded_mainloop* loop_;
    std::shared_ptr<MainThreadPost> poster_;
    bool running_ = false;

    // With the event thread locked.
    pa_context* context_ = nullptr;
    Phase phase_ = Phase::failed;
    pa_usec_t connectingSince_ = 0;
    pa_time_event* retry_ = nullptr;
    pa_usec_t retryDelay_ = firstRetry;
    pa_defer_event* reaper_ = nullptr;
    pa_io_event* requestsEvent_ = nullptr;
    std::vector<std::shared_ptr<PulseSound>> active_;
    std::vector<std::shared_ptr<PulseSound>> retired_;
    std::vector<pa_stream*> replaced_;
    // The rate each file had when it last played, by path.
    static constexpr std::size_t maxKnownRates = 256;
    std::unordered_map<std::string, uint32_t> knownRates_;
    bool shutDown_ = false;

    // Starts asked for by the main thread; the event fd wakes the event thread for them.
    int wakeFd_ = -1;
    std::mutex requestsMutex_;
    std::vector<std::shared_ptr<PulseSound>> requests_;

    std::mutex jobsMutex_;
    std::condition_variable jobsWake_;
    std::deque<std::shared_ptr<PulseSound>> jobs_;
    bool stopJobs_ = false;
    std::thread decoderThread_;
};

namespace {

class PulsePlayback : public AudioPlayback {
public:
    PulsePlayback(std::shared_ptr<PulseCore> core, std::shared_ptr<PulseSound> state)
        : core_(std::move(core)), state_(std::move(state)) {}
    ~PulsePlayback() override { stop(); }
    PulsePlayback(const PulsePlayback&) = delete;
    PulsePlayback& operator=(const PulsePlayback&) = delete;

    double position() const override { return core_->position(*state_); }
    bool isPlaying() const override { return !state_->done && !state_->ended; }
    void stop() override {
        state_->done = true;
        state_->started = nullptr;
        state_->finished = nullptr;
        core_->stop(*state_);
    }

private:
    std::shared_ptr<PulseCore> core_;
    std::shared_ptr<PulseSound> state_;
};

} // namespace

PulseAudioEngine::PulseAudioEngine(AudioDecoder& decoder)
    : core_(std::make_shared<PulseCore>(decoder)) {}

PulseAudioEngine::~PulseAudioEngine() {
    shutdown();
}

void PulseAudioEngine::shutdown() {
    core_->shutdown();
}

std::unique_ptr<AudioPlayback> PulseAudioEngine::start(const std::string& path, float gain,
                                                       double offset, Started started,
                                                       Finished finished) {
    auto state = std::make_shared<PulseSound>();
    state->self = state;
    state->core = core_.get();
    state->path = path;
    state->gain = gain;
    state->offset = offset > 0 ? offset : 0;
    state->started = std::move(started);
    state->finished = std::move(finished);
    core_->start(state);
    return std::make_unique<PulsePlayback>(core_, std::move(state));
}

} // namespace corvale
