#pragma once

#include "signals/AudioDecoder.h"

#include <cstddef>
#include <memory>
#include <string>

namespace corvale {

namespace detail {
struct DecodedSoundCache;
}

// Keeps the decoded audio of short sounds once one was read through to its end, so the next
// alert with the same sound decodes nothing: alerts reuse a handful of sounds, and decoding
// competes for the processor with the audio server just as it sets up the alert's stream. A file
// is known by its path, size and time of change, so an edited file is decoded afresh. Long files
// (songs in the clip editor) pass through untouched.
class CachingAudioDecoder : public AudioDecoder {
public:
    struct Limits {
        std::size_t perSoundBytes = 4u << 20;
        std::size_t totalBytes = 16u << 20;
    };

    explicit CachingAudioDecoder(AudioDecoder& inner);
    CachingAudioDecoder(AudioDecoder& inner, Limits limits);
    ~CachingAudioDecoder() override;

    // Safe to call from any thread; the streams it returns may be read on another.
    OpenedAudio open(const std::string& path) override;

    // The decoded audio held now, in bytes.
    std::size_t heldBytes() const;

private:
    AudioDecoder& inner_;
    std::shared_ptr<detail::DecodedSoundCache> shared_;
};

} // namespace corvale
