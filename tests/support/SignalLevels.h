#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace corvale::test {

// Measurements of recorded or decoded sound.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0; // one past the last sample
    std::size_t size() const { return end - begin; }
};

// From the first to the last sample whose magnitude exceeds threshold; none in silence.
std::optional<Span> audibleSpan(const std::vector<float>& samples, float threshold);

// Root mean square of samples[begin, end), 0 for an empty range.
double rms(const std::vector<float>& samples, std::size_t begin, std::size_t end);

double peak(const std::vector<float>& samples);

// Level of the steady middle of a sound (its audible span less a tenth at each end) as
// decibels of RMS; -200 in silence.
double steadyLevel(const std::vector<float>& samples, float threshold);

// 20 × log10 of an amplitude ratio.
double decibels(double ratio);

} // namespace corvale::test
