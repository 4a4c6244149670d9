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
    void stop() override { *playing_ = false; }

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

std::unique_ptr<AudioPlayback> FakeAudioEngine::start(const std::string& path, float gain,
                                                      double offset, double limit,
                                                      AudioEngine::Started started,
                                                      Finished finished) {
    if (onStart) {
        onStart();
    }
    auto playing = std::make_shared<bool>(true);
    auto position = std::make_shared<double>(offset);
    starts.push_back(
        {path, gain, offset, limit, std::move(started), std::move(finished), playing, position});
    auto playback = std::make_unique<FakePlayback>(playing, position);
    if (answerAtOnce) {
        answer(starts.size() - 1,
               broken.contains(path) ? "Invalid data found when processing input" : failWith);
    }
    return playback;
}

void FakeAudioEngine::answer(size_t i, const std::string& error) {
    auto& request = starts.at(i);
    if (!*request.playing || request.answered) {
        return;
    }
    request.answered = error.empty();
    if (!error.empty()) {
        *request.playing = false;
    }
    // A copy: the answer may tear the playback down, and starts may grow meanwhile.
    auto started = request.started;
    if (started) {
        started({error, broken.contains(request.path), duration});
    }
}

void FakeAudioEngine::finish(size_t i) {
    auto& started = starts.at(i);
    if (*started.playing && started.answered) {
        *started.playing = false;
        auto finished = started.finished;
        if (finished) {
            finished({});
        }
    }
}

size_t FakeAudioEngine::playingCount() const {
    return static_cast<size_t>(
        std::count_if(starts.begin(), starts.end(), [](const Started& s) { return *s.playing; }));
}

std::unique_ptr<NamedSound> FakeNamedSoundPlayer::play(const std::string& name, double volume,
                                                       Started started) {
    auto flag = std::make_shared<bool>(true);
    requests.push_back({name, volume, std::move(started), flag});
    auto sound = std::make_unique<FakeNamedSound>(flag);
    if (answerAtOnce) {
        answer(requests.size() - 1);
    }
    return sound;
}

void FakeNamedSoundPlayer::answer(size_t i) {
    auto& request = requests.at(i);
    if (!*request.playing) {
        return;
    }
    NamedSoundStart result;
    if (!known.contains(request.name)) {
        result = {NamedSoundStart::Status::notFound, {}};
    } else if (!failWith.empty()) {
        result = {NamedSoundStart::Status::failed, failWith};
    } else {
        result = {NamedSoundStart::Status::playing, {}};
        played.emplace_back(request.name, request.volume);
        playing.push_back(request.playing);
    }
    if (result.status != NamedSoundStart::Status::playing) {
        *request.playing = false;
    }
    auto started = request.started;
    if (started) {
        started(result);
    }
}

} // namespace corvale::test
