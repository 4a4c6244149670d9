#include "support/FakeAudio.h"

#include <algorithm>
#include <cstring>

namespace corvale::test {

namespace {

class SilentStream : public AudioStream {
public:
    explicit SilentStream(double duration)
        : frames_(static_cast<size_t>(duration * 48000)), duration_(duration) {}
    int sampleRate() const override { return 48000; }
    int channels() const override { return 2; }
    double duration() const override { return duration_; }
    size_t read(float* out, size_t maxFrames) override {
        size_t n = std::min(maxFrames, frames_ - position_);
        std::memset(out, 0, n * 2 * sizeof(float));
        position_ += n;
        return n;
    }
    const std::string& error() const override { return error_; }
    bool seek(double seconds) override {
        position_ = std::min(frames_, static_cast<size_t>(seconds * 48000));
        return true;
    }

private:
    size_t frames_;
    size_t position_ = 0;
    double duration_;
    std::string error_;
};

class FakePlayback : public AudioPlayback {
public:
    FakePlayback(std::shared_ptr<bool> playing, std::shared_ptr<double> position)
        : playing_(std::move(playing)), position_(std::move(position)) {}
    ~FakePlayback() override { *playing_ = false; }
    double position() const override { return *position_; }
    bool isPlaying() const override { return *playing_; }
    void stop() override { *playing_ = false; }

private:
    std::shared_ptr<bool> playing_;
    std::shared_ptr<double> position_;
};

class FakeNamedSound : public NamedSound {
public:
    explicit FakeNamedSound(std::shared_ptr<bool> playing) : playing_(std::move(playing)) {}
    bool isPlaying() const override { return *playing_; }

private:
    std::shared_ptr<bool> playing_;
};

} // namespace

OpenedAudio FakeAudioDecoder::open(const std::string& path) {
    opened.push_back(path);
    if (broken.contains(path)) {
        return {nullptr, "Invalid data found when processing input"};
    }
    return {std::make_unique<SilentStream>(duration), {}};
}

PlaybackStart FakeAudioEngine::start(std::unique_ptr<AudioStream>, float gain, double offset,
                                     Finished finished) {
    if (!failWith.empty()) {
        return {nullptr, failWith};
    }
    auto playing = std::make_shared<bool>(true);
    auto position = std::make_shared<double>(offset);
    starts.push_back({gain, offset, std::move(finished), playing, position});
    return {std::make_unique<FakePlayback>(playing, position), {}};
}

void FakeAudioEngine::finish(size_t i) {
    auto& started = starts.at(i);
    if (*started.playing) {
        *started.playing = false;
        if (started.finished) {
            started.finished({});
        }
    }
}

size_t FakeAudioEngine::playingCount() const {
    return static_cast<size_t>(
        std::count_if(starts.begin(), starts.end(), [](const Started& s) { return *s.playing; }));
}

NamedSoundStart FakeNamedSoundPlayer::play(const std::string& name, double volume) {
    if (!known.contains(name)) {
        return {NamedSoundStart::Status::notFound, nullptr, {}};
    }
    if (!failWith.empty()) {
        return {NamedSoundStart::Status::failed, nullptr, failWith};
    }
    played.emplace_back(name, volume);
    auto flag = std::make_shared<bool>(true);
    playing.push_back(flag);
    return {NamedSoundStart::Status::playing, std::make_unique<FakeNamedSound>(flag), {}};
}

} // namespace corvale::test
