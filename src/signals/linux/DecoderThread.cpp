#include "signals/linux/DecoderThread.h"

#include "core/AlertTrace.h"
#include "signals/StereoWidening.h"

#include <pulse/sample.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <utility>

namespace corvale {
namespace {

// The first audio decoded before the stream is fed.
constexpr int firstBlockMillis = 50;

std::string formatSeconds(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

// Checks the format, goes to the offset and decodes the first audio in two channels.
std::string prepare(AudioStream& source, double offset, std::vector<float>& first) {
    const int rate = source.sampleRate();
    const int channels = source.channels();
    if (rate <= 0 || static_cast<unsigned>(rate) > PA_RATE_MAX || channels < 1 ||
        channels > static_cast<int>(stereoChannels)) {
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
    first.resize(got * stereoChannels);
    widenToStereo(block.data(), got, channels, first.data());
    return {};
}

// Said of a file whose read did not come back within the patience.
constexpr const char* stalled = "reading the file stalled (a drive or network share that hangs?)";

DecoderThread::Decoded decode(AudioDecoder& decoder, const std::string& path, double offset) {
    alertTrace::stage("decoder: opening the file");
    auto opened = decoder.open(path);
    DecoderThread::Decoded result;
    if (!opened.stream) {
        result.error = opened.error.empty() ? "could not open the file" : opened.error;
    } else {
        result.error = prepare(*opened.stream, offset, result.firstBlock);
        if (result.error.empty()) {
            result.stream = std::move(opened.stream);
        }
    }
    alertTrace::stage("decoder: first audio decoded");
    return result;
}

} // namespace

// Shared with the threads, so one left behind in a hung read outlives this object safely.
struct DecoderThread::State {
    explicit State(AudioDecoder& d) : decoder(d) {}
    AudioDecoder& decoder;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Job> jobs;
    bool stopping = false;
    // The thread of this generation takes the queue; older ones were left behind.
    unsigned generation = 0;
    // The file being decoded and since when.
    std::optional<Job> inHand;
    Clock::time_point busySince;
    // The answers owed for files whose thread was left behind, given by the next thread.
    std::vector<std::function<void(Decoded)>> stuck;
    int answering = 0;
};

DecoderThread::DecoderThread(AudioDecoder& decoder, Clock::duration patience)
    : state_(std::make_shared<State>(decoder)), patience_(patience) {
    startThread();
}

DecoderThread::~DecoderThread() {
    stop();
}

void DecoderThread::startThread() {
    thread_ =
        std::thread([state = state_, generation = state_->generation] { run(state, generation); });
}

void DecoderThread::add(Job job) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) {
            return;
        }
        state_->jobs.push_back(std::move(job));
        if (state_->inHand && Clock::now() - state_->busySince >= patience_) {
            state_->stuck.push_back(std::move(state_->inHand->done));
            state_->inHand.reset();
            ++state_->generation;
            thread_.detach();
            startThread();
        }
    }
    state_->wake.notify_all();
}

void DecoderThread::stop() {
    std::deque<Job> dropped;
    std::thread thread;
    bool hung = false;
    {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        dropped.swap(state_->jobs);
        state_->stuck.clear();
        state_->wake.notify_all();
        state_->idle.wait_for(lock, patience_, [&] { return !state_->inHand; });
        state_->idle.wait(lock, [&] { return state_->answering == 0; });
        hung = state_->inHand.has_value();
        thread.swap(thread_);
    }
    if (thread.joinable()) {
        hung ? thread.detach() : thread.join();
    }
}

void DecoderThread::run(const std::shared_ptr<State>& state, unsigned generation) {
    std::unique_lock lock(state->mutex);
    const auto current = [&] { return !state->stopping && state->generation == generation; };
    for (;;) {
        state->wake.wait(
            lock, [&] { return !current() || !state->jobs.empty() || !state->stuck.empty(); });
        if (!current()) {
            return;
        }
        if (!state->stuck.empty()) {
            auto stuck = std::move(state->stuck);
            ++state->answering;
            lock.unlock();
            for (auto& done : stuck) {
                done({nullptr, {}, stalled});
            }
            lock.lock();
            --state->answering;
            state->idle.notify_all();
            continue;
        }
        Job job = std::move(state->jobs.front());
        state->jobs.pop_front();
        lock.unlock();
        if (!job.wanted()) {
            lock.lock();
            continue;
        }
        const std::string path = std::move(job.path);
        const double offset = job.offset;
        lock.lock();
        if (!current()) {
            return;
        }
        state->inHand = std::move(job);
        state->busySince = Clock::now();
        lock.unlock();
        Decoded result = decode(state->decoder, path, offset);
        lock.lock();
        if (!current() || !state->inHand) {
            // Left behind, or stopping: the sound is settled elsewhere.
            if (state->generation == generation) {
                state->inHand.reset();
                state->idle.notify_all();
            }
            return;
        }
        auto done = std::move(state->inHand->done);
        state->inHand.reset();
        ++state->answering;
        lock.unlock();
        done(std::move(result));
        done = nullptr;
        lock.lock();
        --state->answering;
        state->idle.notify_all();
    }
}

} // namespace corvale
