#include "signals/StereoWidening.h"

namespace corvale {

void widenToStereo(const float* in, std::size_t frames, int channels, float* out) {
    const auto stride = static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        out[2 * i] = in[i * stride];
        out[2 * i + 1] = in[i * stride + stride - 1];
    }
}

} // namespace corvale
