#include "signals/HeadStarts.h"

#include "core/AlertTrace.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace corvale {

struct HeadStarts::Entry {
    std::string key;
    std::string path;
    float gain = 1.0f;
    std::unique_ptr<AudioPlayback> playback;
    // What the engine answered before the main thread took the sound (main thread only).
    std::optional<PlaybackStarted> started;
    std::optional<std::string> finished;
    // Set when taken (main thread only).
    bool taken = false;
    bool answered = false;
    std::function<void()> onAnswer;
    AudioEngine::Started onStarted;
    AudioEngine::Finished onFinished;
};

// The playback the main thread holds once it took a sound started ahead.
class HeadStarts::Handed : public AudioPlayback {
public:
    explicit Handed(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handed() override { stop(); }
    Handed(const Handed&) = delete;
    Handed& operator=(const Handed&) = delete;

    double position() const override { return entry_->playback ? entry_->playback->position() : 0; }
    bool isPlaying() const override { return entry_->playback && entry_->playback->isPlaying(); }
    void stop() override {
        entry_->onStarted = nullptr;
        entry_->onFinished = nullptr;
        if (entry_->playback) {
            entry_->playback->stop();
        }
    }

private:
    std::shared_ptr<Entry> entry_;
};

HeadStarts::HeadStarts(AudioEngine& engine) : engine_(engine) {}

HeadStarts::~HeadStarts() {
    std::deque<std::shared_ptr<Entry>> waiting;
    {
        std::lock_guard lock(mutex_);
        waiting.swap(waiting_);
    }
    for (auto& entry : waiting) {
        entry->playback.reset();
    }
}

bool HeadStarts::start(const std::string& key, const std::string& path, float gain, double limit) {
    std::lock_guard lock(mutex_);
    if (key.empty() || settledLocked(key) || waiting_.size() >= maxWaiting ||
        std::ranges::any_of(waiting_, [&](const auto& e) { return e->key == key; })) {
        return false;
    }
    auto entry = std::make_shared<Entry>();
    entry->key = key;
    entry->path = path;
    entry->gain = gain;
    // The answers come on the main thread, to the entry as long as anyone holds it.
    std::weak_ptr<Entry> weak = entry;
    entry->playback = engine_.start(
        path, gain, 0.0, limit,
        [weak](const PlaybackStarted& result) {
            if (auto e = weak.lock()) {
                answered(e, result);
            }
        },
        [weak](const std::string& error) {
            if (auto e = weak.lock()) {
                ended(e, error);
            }
        });
    alertTrace::stage("head start: sound asked");
    waiting_.push_back(std::move(entry));
    return true;
}

std::unique_ptr<AudioPlayback> HeadStarts::take(const std::string& key, const std::string& path,
                                                float gain, AudioEngine::Started started,
                                                AudioEngine::Finished finished) {
    std::shared_ptr<Entry> entry;
    std::vector<std::shared_ptr<Entry>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped = upToLocked(key);
        if (!dropped.empty() && dropped.back()->key == key && dropped.back()->path == path &&
            dropped.back()->gain == gain) {
            entry = std::move(dropped.back());
            dropped.pop_back();
        }
        // Played by the main thread itself, or taken: a start that comes later is too late.
        rememberLocked(key);
    }
    dropped.clear();
    if (!entry) {
        return nullptr;
    }
    entry->taken = true;
    entry->onStarted = std::move(started);
    entry->onFinished = std::move(finished);
    auto handed = std::make_unique<Handed>(entry);
    // Answers that came before the main thread got here are passed on now, in their order.
    if (auto result = std::exchange(entry->started, std::nullopt)) {
        answered(entry, *result);
    }
    if (auto error = std::exchange(entry->finished, std::nullopt)) {
        ended(entry, *error);
    }
    return handed;
}

void HeadStarts::settle(const std::string& key) {
    std::vector<std::shared_ptr<Entry>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped = upToLocked(key);
        rememberLocked(key);
    }
    // Stopped before the server has the stream set up, so nothing of it is heard.
    dropped.clear();
}

// The waiting sound of `key` and every one started before it: the main thread dispatches the
// banners in the order the bus brought them, so those it passed over it will never take.
std::vector<std::shared_ptr<HeadStarts::Entry>> HeadStarts::upToLocked(const std::string& key) {
    std::vector<std::shared_ptr<Entry>> taken;
    auto found = std::ranges::find_if(waiting_, [&](const auto& e) { return e->key == key; });
    if (key.empty() || found == waiting_.end()) {
        return taken;
    }
    const auto end = std::next(found);
    std::move(waiting_.begin(), end, std::back_inserter(taken));
    waiting_.erase(waiting_.begin(), end);
    return taken;
}

size_t HeadStarts::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

bool HeadStarts::whenAnswered(const std::string& key, std::function<void()> answered) {
    std::lock_guard lock(mutex_);
    auto found = std::ranges::find_if(waiting_, [&](const auto& e) { return e->key == key; });
    if (found == waiting_.end() || (*found)->answered) {
        return false;
    }
    (*found)->onAnswer = std::move(answered);
    return true;
}

void HeadStarts::answered(const std::shared_ptr<Entry>& entry, const PlaybackStarted& result) {
    if (!entry->answered) {
        entry->answered = true;
        if (auto fn = std::exchange(entry->onAnswer, nullptr)) {
            fn();
        }
    }
    if (!entry->taken) {
        entry->started = result;
        return;
    }
    if (auto fn = entry->onStarted) {
        fn(result);
    }
}

void HeadStarts::ended(const std::shared_ptr<Entry>& entry, const std::string& error) {
    if (!entry->taken) {
        entry->finished = error;
        return;
    }
    if (auto fn = entry->onFinished) {
        fn(error);
    }
}

bool HeadStarts::settledLocked(const std::string& key) const {
    return settled_.contains(key);
}

void HeadStarts::rememberLocked(const std::string& key) {
    if (key.empty() || !settled_.insert(key).second) {
        return;
    }
    settledOrder_.push_back(key);
    if (settledOrder_.size() > settledMemory) {
        settled_.erase(settledOrder_.front());
        settledOrder_.pop_front();
    }
}

} // namespace corvale
