#pragma once

#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"

#include <memory>

namespace corvale {

class PulseCore;

// Plays every sound on a stream of its own over one long-lived connection to the PulseAudio
// server, so sounds overlap and no sound waits for a connection. PulseAudio's event thread owns
// the connection and reconnects in the background when the server goes away or restarts; files
// are opened on a decoder thread of our own while the stream is being set up, and decoded further
// on the event thread as the server asks for data. Results are handed to the Qt main thread.
class PulseAudioEngine : public AudioEngine {
public:
    // Create it on the Qt main thread, whose event loop delivers the callbacks. The decoder is
    // used on the decoder thread.
    explicit PulseAudioEngine(AudioDecoder& decoder);
    ~PulseAudioEngine() override;
    PulseAudioEngine(const PulseAudioEngine&) = delete;
    PulseAudioEngine& operator=(const PulseAudioEngine&) = delete;

    std::unique_ptr<AudioPlayback> start(const std::string& path, float gain, double offset,
                                         double limit, Started started, Finished finished) override;

    // Stops the threads and every sound, and drops the results not yet delivered. Playbacks that
    // remain only report that they no longer play. Called by the destructor at the latest.
    void shutdown();

private:
    std::shared_ptr<PulseCore> core_;
};

} // namespace corvale
