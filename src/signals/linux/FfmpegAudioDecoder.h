#pragma once

#include "signals/AudioDecoder.h"

namespace corvale {

// Decodes any file FFmpeg reads into interleaved float frames at the file's own rate: mono stays
// mono, everything else becomes stereo. Streams may be read on any one thread at a time.
class FfmpegAudioDecoder : public AudioDecoder {
public:
    FfmpegAudioDecoder();
    OpenedAudio open(const std::string& path) override;
};

} // namespace corvale
