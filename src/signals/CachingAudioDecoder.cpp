#include "signals/CachingAudioDecoder.h"

#include "core/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <vector>

namespace corvale {
namespace {

struct Decoded {
    int sampleRate = 0;
    int channels = 0;
    double duration = 0;
    std::vector<float> samples;

    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
    std::size_t bytes() const { return samples.size() * sizeof(float); }
};

// Inode, size and time of change, from one stat call on every alert; a file replaced by a rename
// is told apart too.
using FileIdentity = FileStamp;

std::optional<FileIdentity> identify(const std::string& path) {
    auto stamp = fileStamp(path);
    if (!stamp.exists) {
        return std::nullopt;
    }
    return stamp;
}

// Plays a kept sound from memory.
class MemoryStream : public AudioStream {
public:
    explicit MemoryStream(std::shared_ptr<const Decoded> audio) : audio_(std::move(audio)) {}

    int sampleRate() const override { return audio_->sampleRate; }
    int channels() const override { return audio_->channels; }
    double duration() const override { return audio_->duration; }
    const std::string& error() const override { return error_; }

    std::size_t read(float* out, std::size_t maxFrames) override {
        const std::size_t frames = std::min(maxFrames, audio_->frames() - position_);
        const auto channels = static_cast<std::size_t>(audio_->channels);
        std::memcpy(out, audio_->samples.data() + position_ * channels,
                    frames * channels * sizeof(float));
        position_ += frames;
        return frames;
    }

    bool seek(double seconds) override {
        if (!std::isfinite(seconds) || seconds < 0) {
            return false;
        }
        const double frame = std::floor(seconds * audio_->sampleRate);
        position_ = std::min(audio_->frames(),
                             static_cast<std::size_t>(std::min(frame, double(audio_->frames()))));
        return true;
    }

private:
    std::shared_ptr<const Decoded> audio_;
    std::size_t position_ = 0;
    std::string error_;
};

} // namespace

namespace detail {

struct DecodedSoundCache {
    struct Entry {
        std::string path;
        FileIdentity id;
        std::shared_ptr<const Decoded> audio;
    };

    explicit DecodedSoundCache(CachingAudioDecoder::Limits l) : limits(l) {}

    const CachingAudioDecoder::Limits limits;
    mutable std::mutex mutex;
    std::list<Entry> entries; // most recently used first
    std::size_t held = 0;

    std::shared_ptr<const Decoded> find(const std::string& path, const FileIdentity& id) {
        const std::lock_guard guard(mutex);
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& e) { return e.path == path; });
        if (found == entries.end()) {
            return nullptr;
        }
        if (!(found->id == id)) {
            held -= found->audio->bytes();
            entries.erase(found);
            return nullptr;
        }
        entries.splice(entries.begin(), entries, found);
        return found->audio;
    }

    void keep(const std::string& path, const FileIdentity& id,
              std::shared_ptr<const Decoded> audio) {
        const std::lock_guard guard(mutex);
        auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const Entry& e) { return e.path == path; });
        if (same != entries.end()) {
            held -= same->audio->bytes();
            entries.erase(same);
        }
        held += audio->bytes();
        entries.push_front({path, id, std::move(audio)});
        while (held > limits.totalBytes && !entries.empty()) {
            held -= entries.back().audio->bytes();
            entries.pop_back();
        }
    }
};

} // namespace detail

namespace {

// Reads the file through the real decoder and keeps what it read once it reaches the end, unless
// the sound turned out too long or was read from anywhere but its start.
class RecordingStream : public AudioStream {
public:
    RecordingStream(std::unique_ptr<AudioStream> inner, std::string path, FileIdentity id,
                    std::weak_ptr<detail::DecodedSoundCache> shared, std::size_t limit)
        : inner_(std::move(inner)), path_(std::move(path)), id_(id), shared_(std::move(shared)),
          limit_(limit) {
        recording_ = std::make_shared<Decoded>();
        recording_->sampleRate = inner_->sampleRate();
        recording_->channels = inner_->channels();
        recording_->duration = inner_->duration();
    }

    int sampleRate() const override { return inner_->sampleRate(); }
    int channels() const override { return inner_->channels(); }
    double duration() const override { return inner_->duration(); }
    const std::string& error() const override { return inner_->error(); }

    std::size_t read(float* out, std::size_t maxFrames) override {
        const std::size_t got = inner_->read(out, maxFrames);
        if (!recording_) {
            return got;
        }
        const auto channels = static_cast<std::size_t>(recording_->channels);
        if ((recording_->samples.size() + got * channels) * sizeof(float) > limit_) {
            recording_.reset();
            return got;
        }
        recording_->samples.insert(recording_->samples.end(), out, out + got * channels);
        if (got < maxFrames) {
            // The end of the sound, or an error: only a whole, clean sound is kept.
            if (inner_->error().empty() && !recording_->samples.empty()) {
                if (auto shared = shared_.lock()) {
                    shared->keep(path_, id_, std::move(recording_));
                }
            }
            recording_.reset();
        }
        return got;
    }

    bool seek(double seconds) override {
        recording_.reset();
        return inner_->seek(seconds);
    }

private:
    std::unique_ptr<AudioStream> inner_;
    std::string path_;
    FileIdentity id_;
    std::weak_ptr<detail::DecodedSoundCache> shared_;
    std::size_t limit_;
    std::shared_ptr<Decoded> recording_;
};

} // namespace

CachingAudioDecoder::CachingAudioDecoder(AudioDecoder& inner)
    : CachingAudioDecoder(inner, Limits{}) {}

CachingAudioDecoder::CachingAudioDecoder(AudioDecoder& inner, Limits limits)
    : inner_(inner), shared_(std::make_shared<detail::DecodedSoundCache>(limits)) {}

CachingAudioDecoder::~CachingAudioDecoder() = default;

OpenedAudio CachingAudioDecoder::open(const std::string& path) {
    const auto id = identify(path);
    if (!id) {
        return inner_.open(path);
    }
    if (auto kept = shared_->find(path, *id)) {
        return {std::make_unique<MemoryStream>(std::move(kept)), {}};
    }
    OpenedAudio opened = inner_.open(path);
    if (!opened.stream || opened.stream->channels() < 1) {
        return opened;
    }
    opened.stream = std::make_unique<RecordingStream>(std::move(opened.stream), path, *id, shared_,
                                                      shared_->limits.perSoundBytes);
    return opened;
}

std::size_t CachingAudioDecoder::heldBytes() const {
    const std::lock_guard guard(shared_->mutex);
    return shared_->held;
}

} // namespace corvale
