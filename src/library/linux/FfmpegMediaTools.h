#pragma once

#include "library/MediaTools.h"

namespace corvale {

// Durations, waveforms and clip export with FFmpeg: clips are AAC from FFmpeg's own encoder in an
// .m4a (ipod) file, written to a temporary file and renamed into place.
class FfmpegMediaTools : public MediaTools {
public:
    FfmpegMediaTools();
    SongLength duration(const std::string& path) override;
    bool readMono(const std::string& path, const MonoSink& sink) override;
    std::optional<ClipExportFailure> exportClip(const std::string& source, double start,
                                                double length, const std::string& target) override;
};

} // namespace corvale
