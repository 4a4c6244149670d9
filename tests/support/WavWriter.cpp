#include "support/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>

namespace corvale::test {
namespace {

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

} // namespace

bool writeWav(const std::filesystem::path& path, const std::vector<float>& samples, int rate,
              int channels, WavSamples format) {
    const bool isFloat = format == WavSamples::float32;
    const std::uint32_t sampleBytes = isFloat ? 4 : 2;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sampleBytes);
    std::string out = "RIFF";
    put(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    put(out, 16, 4);
    put(out, isFloat ? 3 : 1, 2);
    put(out, static_cast<std::uint32_t>(channels), 2);
    put(out, static_cast<std::uint32_t>(rate), 4);
    put(out, static_cast<std::uint32_t>(rate * channels) * sampleBytes, 4);
    put(out, static_cast<std::uint32_t>(channels) * sampleBytes, 2);
    put(out, sampleBytes * 8, 2);
    out += "data";
    put(out, dataBytes, 4);
    for (float sample : samples) {
        if (isFloat) {
            std::uint32_t bits;
            static_assert(sizeof bits == sizeof sample);
            std::memcpy(&bits, &sample, sizeof bits);
            put(out, bits, 4);
        } else {
            const auto value =
                static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
            put(out, static_cast<std::uint16_t>(value), 2);
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

std::vector<float> sineTone(double frequency, double amplitude, double seconds, int rate) {
    const auto count = static_cast<std::size_t>(seconds * rate);
    const double fade = 0.005 * rate;
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double edge = std::min({1.0, i / fade, (count - 1 - i) / fade});
        samples[i] = static_cast<float>(amplitude * edge *
                                        std::sin(2 * std::numbers::pi * frequency * i / rate));
    }
    return samples;
}

} // namespace corvale::test
