#include "signals/linux/DecoderThread.h"

#include "core/AlertTrace.h"
#include "signals/StereoWidening.h"

#include <pulse/sample.h>

#include <algorithm>
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

} // namespace

DecoderThread::DecoderThread(AudioDecoder& decoder)
    : decoder_(decoder), thread_([this] { run(); }) {}

DecoderThread::~DecoderThread() {
    stop();
}

void DecoderThread::add(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DecoderThread::stop() {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(jobs_);
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void DecoderThread::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        if (job.wanted()) {
            job.done(decode(job.path, job.offset));
        }
    }
}

DecoderThread::Decoded DecoderThread::decode(const std::string& path, double offset) {
    alertTrace::stage("decoder: opening the file");
    auto opened = decoder_.open(path);
    Decoded result;
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

} // namespace corvale
