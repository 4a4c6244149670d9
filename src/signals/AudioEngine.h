#pragma once

#include <functional>
#include <memory>
#include <string>

namespace corvale {

// An alert is a moment: a longer sound (a whole song) is cut here, so it neither holds a place
// among the sounds playing for long nor plays on for an hour.
inline constexpr double alertSoundSeconds = 30;

// One sound asked for, from the request until it has been heard. Destroying it stops the sound;
// no callback arrives after that.
class AudioPlayback {
public:
    virtual ~AudioPlayback() = default;
    // Seconds into the sound of what is being heard now, counted from the start of the file.
    virtual double position() const = 0;
    // True from the request until the sound has been heard to its end, broke off, failed to
    // start or was stopped.
    virtual bool isPlaying() const = 0;
    // Stops the sound, or cancels it while it is still starting: it is never heard afterwards.
    virtual void stop() = 0;
};

// What became of a request to play.
struct PlaybackStarted {
    std::string error;      // empty when the first audio is on its way to the output
    bool fileError = false; // the file could not be opened or decoded (not the output's fault)
    double duration = 0;    // seconds, as the file states it; 0 when unknown
};

// Plays sound files through a gain stage. Each start is a playback of its own, so sounds overlap;
// how many may play at once is the caller's decision. The file is opened and decoded away from
// the caller, which never waits for the audio server.
class AudioEngine {
public:
    // Both are called on the main thread. Started comes once, unless the playback was stopped
    // first; Finished comes once after a successful start, when the sound has been heard to its
    // end (empty text) or broke off (the reason), never after stop() or the playback's
    // destruction.
    using Started = std::function<void(const PlaybackStarted& result)>;
    using Finished = std::function<void(const std::string& error)>;

    virtual ~AudioEngine() = default;
    // Plays the file from offset seconds, every sample multiplied by gain and clipped to
    // [-1, 1], for at most limit seconds (0: to its end, where a cut sound also ends). Returns at
    // once; the outcome comes to started.
    virtual std::unique_ptr<AudioPlayback> start(const std::string& path, float gain, double offset,
                                                 double limit, Started started,
                                                 Finished finished) = 0;
};

} // namespace corvale
