#pragma once

#include <filesystem>
#include <vector>

namespace corvale::test {

enum class WavSamples { pcm16, float32 };

// Writes interleaved samples in [-1, 1] as a WAV file; returns false when the file cannot be
// written.
bool writeWav(const std::filesystem::path& path, const std::vector<float>& samples, int rate,
              int channels, WavSamples format = WavSamples::pcm16);

// A sine tone of the given frequency and peak amplitude, mono, with 5 ms fades against clicks.
std::vector<float> sineTone(double frequency, double amplitude, double seconds, int rate);

} // namespace corvale::test
