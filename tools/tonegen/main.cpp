// Writes the program's own alert tones as 16-bit mono WAV files at 48 kHz, all equally loud.
// Usage: corvale_tonegen <output folder>

#include "ToneCatalogue.h"
#include "ToneSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using corvale::tonegen::sampleRate;

// Level of the sounding part: the RMS of the 10 ms windows within 20 dB of the loudest one, so
// a short tone and its quiet tail are not averaged together.
double gatedLoudness(const std::vector<double>& samples) {
    constexpr std::size_t window = sampleRate / 100;
    std::vector<double> powers;
    for (std::size_t start = 0; start + window <= samples.size(); start += window) {
        double sum = 0;
        for (std::size_t i = start; i < start + window; ++i) {
            sum += samples[i] * samples[i];
        }
        powers.push_back(sum / window);
    }
    const double loudest = *std::max_element(powers.begin(), powers.end());
    double sum = 0;
    std::size_t count = 0;
    for (double p : powers) {
        if (p >= loudest * 1e-2) {
            sum += p;
            ++count;
        }
    }
    return std::sqrt(sum / static_cast<double>(count));
}

double peakOf(const std::vector<double>& samples) {
    double peak = 0;
    for (double v : samples) {
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

// Holds the peaks of a tone to crest × its loudness with a smooth, look-ahead gain: only the
// first milliseconds of a sharp attack are touched, and they keep every tone's level honest.
void limitPeaks(std::vector<double>& samples, double crest) {
    constexpr std::size_t reach = sampleRate / 500;
    const double ceiling = gatedLoudness(samples) * crest;
    const std::size_t n = samples.size();
    std::vector<double> needed(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double magnitude = std::fabs(samples[i]);
        needed[i] = magnitude > ceiling ? ceiling / magnitude : 1.0;
    }
    // The least gain needed anywhere near, then its average over the same reach: the result
    // never exceeds what any sample needs, and it moves without steps.
    std::vector<double> lowest(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = i >= reach ? i - reach : 0;
        const std::size_t to = std::min(n, i + reach + 1);
        lowest[i] = *std::min_element(needed.begin() + static_cast<std::ptrdiff_t>(from),
                                      needed.begin() + static_cast<std::ptrdiff_t>(to));
    }
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0;
        std::size_t count = 0;
        for (std::size_t j = i >= reach ? i - reach : 0; j < std::min(n, i + reach + 1); ++j) {
            sum += lowest[j];
            ++count;
        }
        samples[i] *= sum / static_cast<double>(count);
    }
}

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

bool writeWav(const std::filesystem::path& path, const std::vector<double>& samples, double gain,
              std::uint32_t seed) {
    corvale::tonegen::Noise dither(seed);
    std::string data;
    for (double v : samples) {
        // Triangular dither of one step keeps the quiet tails free of distortion.
        const double scaled = v * gain * 32767.0 + (dither.next() + dither.next()) / 2;
        const auto value =
            static_cast<std::int16_t>(std::clamp(std::lround(scaled), -32767L, 32767L));
        put(data, static_cast<std::uint16_t>(value), 2);
    }
    std::string out = "RIFF";
    put(out, static_cast<std::uint32_t>(36 + data.size()), 4);
    out += "WAVEfmt ";
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, sampleRate, 4);
    put(out, sampleRate * 2, 4);
    put(out, 2, 2);
    put(out, 16, 2);
    out += "data";
    put(out, static_cast<std::uint32_t>(data.size()), 4);
    out += data;
    const auto temporary = path.string() + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(out.data(), static_cast<std::streamsize>(out.size()));
        if (!file) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }

    // All tones get the same loudness: -20.5 dBFS, or less when the peakiest tone would otherwise
    // rise above -7.5 dBFS; peaks are first held to 13 dB above a tone's loudness.
    const double loudnessTarget = std::pow(10.0, -20.5 / 20);
    const double crest = std::pow(10.0, 13.0 / 20);
    const double peakCeiling = std::pow(10.0, -7.5 / 20);
    std::vector<std::vector<double>> tones;
    std::vector<double> loudness;
    double target = loudnessTarget;
    for (const auto& recipe : corvale::tonegen::toneCatalogue()) {
        tones.push_back(recipe.make().samples());
        // Limiting lowers the loudest windows too, so repeat until the peaks stay put.
        for (int pass = 0;
             pass < 8 && peakOf(tones.back()) > crest * 1.01 * gatedLoudness(tones.back());
             ++pass) {
            limitPeaks(tones.back(), crest);
        }
        loudness.push_back(gatedLoudness(tones.back()));
        target = std::min(target, peakCeiling * loudness.back() / peakOf(tones.back()));
    }
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const auto& name = corvale::tonegen::toneCatalogue()[i].name;
        if (!writeWav(folder / (name + ".wav"), tones[i], target / loudness[i], seed++)) {
            std::fprintf(stderr, "cannot write %s.wav in %s\n", name.c_str(), folder.c_str());
            return 1;
        }
    }
    return 0;
}
