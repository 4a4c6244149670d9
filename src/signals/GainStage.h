#pragma once

#include <cstddef>

namespace corvale {

// Multiplies every sample by gain and clips the result to [-1, 1]. A sample that is not a number
// becomes silence, so a damaged file can never drive the output to full scale.
void applyGain(float* samples, std::size_t count, float gain);

} // namespace corvale
