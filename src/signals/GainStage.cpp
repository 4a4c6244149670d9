#include "signals/GainStage.h"

#include <algorithm>
#include <cmath>

namespace corvale {

void applyGain(float* samples, std::size_t count, float gain) {
    for (std::size_t i = 0; i < count; ++i) {
        const float value = samples[i] * gain;
        samples[i] = std::isnan(value) ? 0.0f : std::clamp(value, -1.0f, 1.0f);
    }
}

} // namespace corvale
