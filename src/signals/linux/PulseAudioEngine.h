#pragma once

#include "signals/AudioEngine.h"

#include <memory>

namespace corvale {

class PulseThread;

// Plays every sound on a connection and stream of its own to the PulseAudio server, so sounds
// overlap and a restarted server is found again at the next sound. Decoding runs on the audio
// thread as the server asks for data; callbacks are handed to the Qt main thread.
class PulseAudioEngine : public AudioEngine {
public:
    // Create it on the Qt main thread, whose event loop delivers the callbacks.
    PulseAudioEngine();
    ~PulseAudioEngine() override;
    PulseAudioEngine(const PulseAudioEngine&) = delete;
    PulseAudioEngine& operator=(const PulseAudioEngine&) = delete;

    PlaybackStart start(std::unique_ptr<AudioStream> stream, float gain, double offset,
                        Finished finished) override;

private:
    std::shared_ptr<PulseThread> thread_;
};

} // namespace corvale
