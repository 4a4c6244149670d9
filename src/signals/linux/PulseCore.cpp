#include "signals/linux/PulseCore.h"

#include "core/AlertTrace.h"
#include "signals/GainStage.h"
#include "signals/StereoWidening.h"
#include "signals/linux/MainThreadPost.h"

#include <algorithm>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace corvale {
namespace {

// How long a start may wait for the server's answer.
constexpr pa_usec_t answerTimeout = 2 * PA_USEC_PER_SEC;
// Latency we ask for: short enough for the position to follow what is heard.
constexpr pa_usec_t targetLatency = 100 * PA_USEC_PER_MSEC;
// Mono is widened to both channels, as the server's own remixing would.
constexpr std::size_t outputChannels = stereoChannels;
constexpr const char* noAnswer = "PulseAudio: the audio server does not answer";

} // namespace

PulseCore::PulseCore(AudioDecoder& decoder)
    : connection_(
          {[this] { connected(); }, [this](const std::string& error) { connectionLost(error); }}),
      poster_(std::make_shared<MainThreadPost>()) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!connection_.made() || wakeFd_ < 0 || !connection_.start()) {
        return;
    }
    running_ = true;
    decoderThread_ = std::make_unique<DecoderThread>(decoder);
    PulseConnection::Lock lock(connection_);
    reaper_ = api()->defer_new(api(), &PulseCore::onReap, this);
    api()->defer_enable(reaper_, 0);
    requestsEvent_ = api()->io_new(api(), wakeFd_, PA_IO_EVENT_INPUT, &PulseCore::onRequests, this);
    // Connected from the start, so the first sound does not wait for it.
    connection_.connect();
}

PulseCore::~PulseCore() {
    shutdown();
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

void PulseCore::shutdown() {
    if (!running_) {
        poster_->close();
        return;
    }
    running_ = false;
    decoderThread_->stop();
    {
        PulseConnection::Lock lock(connection_);
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
        if (reaper_) {
            api()->defer_free(reaper_);
            reaper_ = nullptr;
        }
        connection_.close();
    }
    connection_.stop();
    // Results not yet delivered are dropped.
    poster_->close();
}

void PulseCore::start(const std::shared_ptr<PulseSound>& state) {
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

void PulseCore::stop(PulseSound& state) {
    // Once ended, a sound is silent for good: a sound that ended by itself (the common case)
    // costs the main thread no lock.
    if (!connection_.made() || state.ended) {
        return;
    }
    PulseConnection::Lock lock(connection_);
    if (state.over) {
        return;
    }
    state.stoppedAt = positionLocked(state);
    retire(state);
}

double PulseCore::position(const PulseSound& state) {
    if (!connection_.made()) {
        return state.offset;
    }
    PulseConnection::Lock lock(connection_);
    return positionLocked(state);
}

// The functions from here on run with the event thread locked.

// The stream is asked of the server first, then the file goes to the decoder thread: the
// server's answer takes the longer of the two.
void PulseCore::takeRequests() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(wakeFd_, &count, sizeof count);
    std::vector<std::shared_ptr<PulseSound>> requests;
    {
        std::lock_guard lock(requestsMutex_);
        requests.swap(requests_);
    }
    for (auto& state : requests) {
        // Stopped before it got here.
        if (state->over) {
            continue;
        }
        admit(state);
        if (!state->over) {
            decoderThread_->add({state->path, state->offset, [state] { return !state->ended; },
                                 [this, state](DecoderThread::Decoded result) {
                                     decoded(*state, std::move(result));
                                 }});
        }
    }
}

void PulseCore::admit(const std::shared_ptr<PulseSound>& state) {
    active_.push_back(state);
    state->timer = connection_.timerIn(answerTimeout, &PulseCore::onTimeout, state.get());
    switch (connection_.phase()) {
    case PulseConnection::Phase::ready:
        openStream(*state);
        break;
    case PulseConnection::Phase::connecting:
        // A server that took the connection and has not answered for so long is hung:
        // waiting again would only delay the fallback.
        if (pa_rtclock_now() - connection_.connectingSince() >= answerTimeout) {
            fail(*state, noAnswer);
        }
        break;
    case PulseConnection::Phase::failed:
        // Perhaps back already: try now rather than at the next background attempt.
        connection_.connect();
        break;
    }
}

// Every sound waiting for or playing on the connection fails with it; a new connection is
// tried in the background.
void PulseCore::connectionLost(const std::string& error) {
    auto active = active_;
    for (auto& state : active) {
        fail(*state, error);
    }
}

void PulseCore::connected() {
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
void PulseCore::openStream(PulseSound& state) {
    if (state.source) {
        state.streamRate = static_cast<uint32_t>(state.source->sampleRate());
    } else if (auto known = knownRates_.find(state.path); known != knownRates_.end()) {
        state.streamRate = known->second;
    }
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, state.streamRate,
                          static_cast<uint8_t>(outputChannels)};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    pa_proplist* list = pa_proplist_new();
    pa_proplist_sets(list, PA_PROP_MEDIA_ROLE, "event");
    state.stream =
        pa_stream_new_with_proplist(connection_.context(), "Corvale sound", &format, &map, list);
    pa_proplist_free(list);
    if (!state.stream) {
        fail(state, connection_.serverError());
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
    if (pa_stream_connect_playback(state.stream, nullptr, &attributes, flags, nullptr, nullptr) <
        0) {
        fail(state, connection_.serverError());
        return;
    }
    alertTrace::stage("audio: stream asked of the server");
}

// The stream is ready and the file open: match the rate and send the first audio.
void PulseCore::feed(PulseSound& state) {
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
std::size_t PulseCore::readWide(PulseSound& state, float* out, std::size_t frames) {
    if (state.sourceChannels == static_cast<int>(outputChannels)) {
        return state.source->read(out, frames);
    }
    state.narrow.resize(frames);
    const std::size_t got = state.source->read(state.narrow.data(), frames);
    widenToStereo(state.narrow.data(), got, state.sourceChannels, out);
    return got;
}

// Fills what the server asks for, decoding as we go; asks for the drain at the end.
void PulseCore::fill(PulseSound& state, std::size_t bytes) {
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
        fail(state, connection_.serverError());
        return;
    }
    std::size_t frames = granted / frameBytes;
    const auto limitFrames = static_cast<std::size_t>(state.limit * state.source->sampleRate());
    if (limitFrames > 0) {
        frames = std::min(frames, limitFrames - std::min(limitFrames, state.framesSent));
    }
    auto* out = static_cast<float*>(data);
    std::size_t written = 0;
    const std::size_t firstLeft = state.firstBlock.size() / outputChannels - state.firstBlockPos;
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
    state.framesSent += written;
    // A cut sound ends as one heard to its end.
    if (limitFrames > 0 && state.framesSent >= limitFrames) {
        state.sourceEnded = true;
    }
    if (written == 0) {
        pa_stream_cancel_write(state.stream);
    } else {
        applyGain(out, written * outputChannels, state.gain);
        if (pa_stream_write(state.stream, out, written * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) <
            0) {
            fail(state, connection_.serverError());
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
            fail(state, connection_.serverError());
        }
    }
}

double PulseCore::positionLocked(const PulseSound& state) const {
    if (state.stoppedAt >= 0) {
        return state.stoppedAt;
    }
    pa_usec_t played = 0;
    if (!state.stream || !state.startReported || pa_stream_get_time(state.stream, &played) < 0) {
        return state.offset;
    }
    return state.offset + static_cast<double>(played) / PA_USEC_PER_SEC;
}

void PulseCore::reportStarted(PulseSound& state, std::string error, bool fileError) {
    state.startReported = true;
    if (state.timer) {
        api()->time_free(state.timer);
        state.timer = nullptr;
    }
    post(state.self.lock(), PlaybackStarted{std::move(error), fileError, state.duration});
}

void PulseCore::fail(PulseSound& state, std::string error, bool fileError) {
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
void PulseCore::retire(PulseSound& state) {
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

void PulseCore::detachCallbacks(pa_stream* stream) {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
}

// Streams let go of are released at the loop's next turn.
void PulseCore::reapSoon() {
    if (reaper_) {
        api()->defer_enable(reaper_, 1);
    }
}

void PulseCore::reap() {
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

// From here on: delivery to the main thread.

void PulseCore::post(std::shared_ptr<PulseSound> state, PlaybackStarted result) {
    if (!state) {
        return;
    }
    poster_->post([weak = std::weak_ptr(state), result = std::move(result)] {
        auto sound = weak.lock();
        if (!sound || sound->done) {
            return;
        }
        if (!result.error.empty()) {
            sound->done = true;
            sound->finished = nullptr;
        }
        alertTrace::stage("main: start result delivered");
        // The callback may destroy the playback, so it runs from a copy of its own.
        auto started = result.error.empty() ? sound->started : std::move(sound->started);
        if (started) {
            started(result);
        }
    });
}

void PulseCore::postFinished(std::shared_ptr<PulseSound> state, std::string error) {
    if (!state) {
        return;
    }
    poster_->post([weak = std::weak_ptr(state), error = std::move(error)] {
        auto sound = weak.lock();
        if (!sound || sound->done) {
            return;
        }
        sound->done = true;
        sound->started = nullptr;
        auto finished = std::move(sound->finished);
        if (finished) {
            finished(error);
        }
    });
}

// From here on, on the decoder thread: a file opened, or failed as the file's fault.

void PulseCore::decoded(PulseSound& state, DecoderThread::Decoded result) {
    PulseConnection::Lock lock(connection_);
    if (state.over) {
        return;
    }
    if (!result.error.empty()) {
        fail(state, result.error, true);
        return;
    }
    state.sourceChannels = result.stream->channels();
    state.duration = result.stream->duration();
    state.firstBlock = std::move(result.firstBlock);
    state.source = std::move(result.stream);
    if (state.streamReady) {
        feed(state);
    }
}

// From here on: callbacks of the event thread, which holds the lock while it runs them.

void PulseCore::onStreamState(pa_stream* stream, void* userdata) {
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
        core->fail(*state, core->connection_.serverError());
    }
}

void PulseCore::onWrite(pa_stream*, std::size_t bytes, void* userdata) {
    auto* state = static_cast<PulseSound*>(userdata);
    state->core->fill(*state, bytes);
}

void PulseCore::onDrained(pa_stream*, int success, void* userdata) {
    auto* state = static_cast<PulseSound*>(userdata);
    auto* core = state->core;
    if (state->drain) {
        pa_operation_unref(state->drain);
        state->drain = nullptr;
    }
    if (state->over) {
        return;
    }
    core->postFinished(state->self.lock(),
                       success ? state->sourceError : core->connection_.serverError());
    core->retire(*state);
}

void PulseCore::onTimeout(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                          void* userdata) {
    auto* state = static_cast<PulseSound*>(userdata);
    api->time_free(event);
    state->timer = nullptr;
    if (!state->startReported) {
        state->core->fail(*state, noAnswer);
    }
}

void PulseCore::onRequests(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t,
                           void* userdata) {
    alertTrace::stage("audio: request taken up");
    static_cast<PulseCore*>(userdata)->takeRequests();
}

void PulseCore::onReap(pa_mainloop_api*, pa_defer_event*, void* userdata) {
    static_cast<PulseCore*>(userdata)->reap();
}

} // namespace corvale
