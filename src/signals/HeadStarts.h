#pragma once

#include "signals/AudioEngine.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace corvale {

// Sounds started ahead of the main thread. The thread that reads the bus can ask the audio server
// for an alert's sound a fraction of a millisecond after the notification arrives; the main
// thread's own dispatch then takes that sound over as its playback instead of asking again. The
// main thread always has the last word: a sound started ahead that its dispatch does not take is
// stopped when the dispatch is over, which comes before the server has set the stream up.
//
// Keys are the banners' identifiers. start() may be called on any thread; everything else on the
// main thread, where the engine's answers arrive.
class HeadStarts {
public:
    // Sounds started ahead and not yet taken or settled; past this, nothing starts ahead.
    static constexpr size_t maxWaiting = 8;
    // Identifiers the main thread has dealt with, remembered so a late start() does nothing: far
    // more than a flood can put between the bus thread and the main thread.
    static constexpr size_t settledMemory = 4096;

    explicit HeadStarts(AudioEngine& engine);
    ~HeadStarts();
    HeadStarts(const HeadStarts&) = delete;
    HeadStarts& operator=(const HeadStarts&) = delete;

    // Plays path at gain for the banner `key`, unless the main thread has dealt with that banner
    // already or too many sounds wait. Returns whether the sound was asked for.
    bool start(const std::string& key, const std::string& path, float gain, double limit);
    // The sound started ahead for `key`, when it is this file at this gain: it becomes the
    // caller's playback, and the engine's answers go to started and finished (at once for those
    // that came already). Otherwise none, and no sound starts ahead for `key` any more.
    std::unique_ptr<AudioPlayback> take(const std::string& key, const std::string& path, float gain,
                                        AudioEngine::Started started,
                                        AudioEngine::Finished finished);
    // The main thread's dispatch of `key` is over: a sound started ahead for it and not taken is
    // stopped, and none starts for it later.
    void settle(const std::string& key);

    // Main thread. Whether a sound started ahead for `key` still waits for the engine's answer;
    // then `answered` runs once, on the main thread, when it comes.
    bool whenAnswered(const std::string& key, std::function<void()> answered);

    size_t waiting() const;

private:
    struct Entry;
    class Handed;
    static void answered(const std::shared_ptr<Entry>& entry, const PlaybackStarted& result);
    static void ended(const std::shared_ptr<Entry>& entry, const std::string& error);
    std::vector<std::shared_ptr<Entry>> upToLocked(const std::string& key);
    bool settledLocked(const std::string& key) const;
    void rememberLocked(const std::string& key);

    AudioEngine& engine_;
    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<Entry>> waiting_;
    std::unordered_set<std::string> settled_;
    std::deque<std::string> settledOrder_;
};

} // namespace corvale
