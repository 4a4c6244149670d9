#include "library/WaveformLoader.h"

#include "library/WaveformSampler.h"

#include <algorithm>
#include <cmath>

namespace corvale {

std::optional<std::vector<float>> WaveformLoader::peaks(MediaTools& media, const std::string& path,
                                                        int bucketCount, double approxDuration) {
    const long long target =
        std::max(static_cast<long long>(bucketCount) * valuesPerBucket, minReducedCount);
    const double estimated = std::isfinite(approxDuration) && approxDuration > 0
                                 ? approxDuration * assumedRate
                                 : assumedRate;
    // Computed in floating point so an absurd duration cannot overflow the run length.
    const double runs = std::floor(std::max(estimated, 1.0) / static_cast<double>(target));
    const auto step = static_cast<std::size_t>(std::clamp(runs, 1.0, 1e12));

    std::vector<float> reduced;
    // Room for songs at 48 kHz too, whose runs outnumber the estimate made at 44.1 kHz.
    reduced.reserve(static_cast<std::size_t>(target + target / 8 + 1));
    float runMax = 0;
    std::size_t inRun = 0;
    const bool read = media.readMono(path, [&](const float* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const float magnitude = std::fabs(samples[i]);
            if (magnitude > runMax) {
                runMax = magnitude;
            }
            if (++inRun == step) {
                reduced.push_back(runMax);
                runMax = 0;
                inRun = 0;
            }
        }
    });
    if (inRun > 0) {
        reduced.push_back(runMax);
    }
    if (!read || reduced.empty()) {
        return std::nullopt;
    }
    return WaveformSampler::peaks(reduced, bucketCount);
}

} // namespace corvale
