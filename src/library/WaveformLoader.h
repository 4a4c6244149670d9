#pragma once

#include "library/MediaTools.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Reads a song's waveform for the clip editor. The samples are reduced while they are read, one
// running maximum per run of samples, so memory stays near a fixed count however long the song.
struct WaveformLoader {
    // Runs reduced to at least this many values, and 400 per bucket.
    static constexpr long long minReducedCount = 8000;
    static constexpr long long valuesPerBucket = 400;
    // The rate assumed when estimating the sample count from the duration.
    static constexpr double assumedRate = 44100;

    // Blocks while the whole track is read; none when it has no audio or reading failed.
    static std::optional<std::vector<float>> peaks(MediaTools& media, const std::string& path,
                                                   int bucketCount, double approxDuration);
};

} // namespace corvale
