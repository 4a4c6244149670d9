#pragma once

#include <vector>

namespace corvale {

// Groups sample values into a fixed number of bars for the waveform.
struct WaveformSampler {
    // One peak per bucket, scaled so the loudest bar is 1; n zeros without values, nothing for
    // fewer than one bucket.
    static std::vector<float> peaks(const std::vector<float>& values, int bucketCount);
};

} // namespace corvale
