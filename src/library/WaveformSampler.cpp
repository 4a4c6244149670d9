#include "library/WaveformSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace corvale {

std::vector<float> WaveformSampler::peaks(const std::vector<float>& values, int bucketCount) {
    if (bucketCount < 1) {
        return {};
    }
    const auto n = static_cast<std::uint64_t>(bucketCount);
    const auto c = static_cast<std::uint64_t>(values.size());
    std::vector<float> result(static_cast<std::size_t>(n), 0.0f);
    float loudest = 0;
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint64_t from = i * c / n;
        // More buckets than values: each bucket still looks at one value rather than none.
        const std::uint64_t to = std::min(std::max(from + 1, (i + 1) * c / n), c);
        float peak = 0;
        for (std::uint64_t k = from; k < to; ++k) {
            const float magnitude = std::fabs(values[static_cast<std::size_t>(k)]);
            if (magnitude > peak) {
                peak = magnitude;
            }
        }
        result[static_cast<std::size_t>(i)] = peak;
        loudest = std::max(loudest, peak);
    }
    if (loudest > 0) {
        for (auto& peak : result) {
            peak /= loudest;
        }
    }
    return result;
}

} // namespace corvale
