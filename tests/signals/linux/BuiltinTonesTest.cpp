#include "signals/linux/FfmpegAudioDecoder.h"

#include "BuiltTones.h"
#include "support/SignalLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvale {
namespace {

// Level of the sounding part: the RMS of the 10 ms windows within 20 dB of the loudest one.
double gatedLoudness(const std::vector<float>& samples, int rate) {
    const auto window = static_cast<std::size_t>(rate / 100);
    std::vector<double> powers;
    for (std::size_t start = 0; start + window <= samples.size(); start += window) {
        const double level = test::rms(samples, start, start + window);
        powers.push_back(level * level);
    }
    if (powers.empty()) {
        return 0;
    }
    const double loudest = *std::max_element(powers.begin(), powers.end());
    double sum = 0;
    int count = 0;
    for (double p : powers) {
        if (p >= loudest / 100) {
            sum += p;
            ++count;
        }
    }
    return std::sqrt(sum / count);
}

TEST(BuiltinTones, allTwentyFourAreShortEquallyLoudAndLeaveHeadroom) {
    const auto folder = test::builtToneFolder();
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".wav") {
            found.push_back(entry.path().stem().string());
        }
    }
    EXPECT_EQ(found.size(), 24u) << "in " << folder;
    for (const char* name : {"Submarine", "Ping", "Pop", "Blow", "Glass", "Hero", "Bottle", "Morse",
                             "Purr", "Tink", "Funk"}) {
        EXPECT_NE(std::find(found.begin(), found.end(), name), found.end())
            << name << " is used by the presets and must be among our tones";
    }

    FfmpegAudioDecoder decoder;
    double quietest = 1e9;
    double loudest = -1e9;
    for (const auto& name : found) {
        auto opened = decoder.open((folder / (name + ".wav")).string());
        ASSERT_TRUE(opened.stream) << name << ": " << opened.error;
        const int rate = opened.stream->sampleRate();
        EXPECT_EQ(rate, 48000) << name;
        std::vector<float> samples(static_cast<std::size_t>(rate) * 2 *
                                   static_cast<std::size_t>(opened.stream->channels()));
        const std::size_t frames =
            opened.stream->read(samples.data(), static_cast<std::size_t>(rate) * 2);
        samples.resize(frames * static_cast<std::size_t>(opened.stream->channels()));
        EXPECT_LT(static_cast<double>(frames) / rate, 1.5) << name << " is too long";
        EXPECT_GT(static_cast<double>(frames) / rate, 0.1) << name << " is too short to notice";
        EXPECT_LE(test::decibels(test::peak(samples)), -7.0) << name << " peaks too high";
        const double loudness = test::decibels(gatedLoudness(samples, rate));
        quietest = std::min(quietest, loudness);
        loudest = std::max(loudest, loudness);
    }
    EXPECT_LE(loudest - quietest, 1.0)
        << "tones range from " << quietest << " to " << loudest << " dBFS";
    EXPECT_GT(quietest, -30.0) << "tones too quiet to hear over a room";
}

} // namespace
} // namespace corvale
