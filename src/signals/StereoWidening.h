#pragma once

#include <cstddef>

namespace corvale {

// The output always has two channels.
constexpr std::size_t stereoChannels = 2;

// Writes frames frames of interleaved stereo to out from in, which holds one or two channels:
// the first channel goes left and the last right, so mono plays on both sides as the audio
// server's own remixing would, and stereo passes unchanged. in and out must not overlap.
void widenToStereo(const float* in, std::size_t frames, int channels, float* out);

} // namespace corvale
