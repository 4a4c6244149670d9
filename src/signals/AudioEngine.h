#pragma once

#include "signals/AudioDecoder.h"

#include <functional>
#include <memory>
#include <string>

namespace corvale {

// One sound being played. Destroying it stops the sound; no callback arrives after that.
class AudioPlayback {
public:
    virtual ~AudioPlayback() = default;
    // Seconds into the sound of what is being heard now, counted from the start of the file.
    virtual double position() const = 0;
    // True until the sound has been heard to its end, broke off or was stopped.
    virtual bool isPlaying() const = 0;
    virtual void stop() = 0;
};

struct PlaybackStart {
    std::unique_ptr<AudioPlayback> playback; // null on failure
    std::string error;
};

// Plays streams through a gain stage. Each start is a playback of its own, so sounds overlap;
// how many may play at once is the caller's decision.
class AudioEngine {
public:
    // Called once on the main thread when the sound has been heard to its end (empty text) or
    // broke off (the reason); never after stop() or the playback's destruction.
    using Finished = std::function<void(const std::string& error)>;

    virtual ~AudioEngine() = default;
    // Plays the stream from offset seconds, every sample multiplied by gain and clipped to
    // [-1, 1]. Returns once the first audio is on its way to the output, or with the reason it
    // cannot be: a stream without audio at the offset, an audio server that refused us.
    virtual PlaybackStart start(std::unique_ptr<AudioStream> stream, float gain, double offset,
                                Finished finished) = 0;
};

} // namespace corvale
