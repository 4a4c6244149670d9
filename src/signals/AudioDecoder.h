#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace corvale {

// The decoded sound of one file, produced while it is read, so a long file never sits whole in
// memory. Frames are interleaved floats at the file's own rate.
class AudioStream {
public:
    virtual ~AudioStream() = default;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Length in seconds as the file states it; 0 when unknown.
    virtual double duration() const = 0;
    // Writes up to maxFrames frames into out (maxFrames × channels floats). Fewer frames mean the
    // end of the sound, or an error that error() then describes.
    virtual std::size_t read(float* out, std::size_t maxFrames) = 0;
    // Why reading stopped early; empty while the stream is sound.
    virtual const std::string& error() const = 0;
    // Moves to the given time from the start of the sound; false when the file cannot go there.
    virtual bool seek(double seconds) = 0;
};

struct OpenedAudio {
    std::unique_ptr<AudioStream> stream; // null on failure
    std::string error;
};

class AudioDecoder {
public:
    virtual ~AudioDecoder() = default;
    // Opens the file and decodes its first audio: a file that opens but does not decode fails here.
    virtual OpenedAudio open(const std::string& path) = 0;
};

} // namespace corvale
