#include "signals/linux/FfmpegAudioDecoder.h"

#include "support/DamagedAudio.h"
#include "support/SignalLevels.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace corvale {
namespace {

// Reads the whole stream in blocks of the given size.
std::vector<float> readAll(AudioStream& stream, std::size_t block) {
    std::vector<float> all;
    std::vector<float> buffer(block * static_cast<std::size_t>(stream.channels()));
    for (;;) {
        const std::size_t frames = stream.read(buffer.data(), block);
        all.insert(all.end(), buffer.begin(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(
                                        frames * static_cast<std::size_t>(stream.channels())));
        if (frames < block) {
            return all;
        }
    }
}

// A ramp that tells every sample apart.
std::vector<float> ramp(std::size_t frames, int channels) {
    std::vector<float> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(static_cast<double>(i) / samples.size() - 0.5);
    }
    return samples;
}

// A WAV file that says it holds MP3 audio, with a payload that is no MP3 at all.
std::string wavClaimingMp3(std::size_t payload) {
    auto le = [](std::uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) {
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
        }
        return s;
    };
    std::string fmt =
        le(0x55, 2) + le(2, 2) + le(44100, 4) + le(16000, 4) + le(1, 2) + le(0, 2) + le(0, 2);
    std::string out = "RIFF" + le(static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + payload), 4) +
                      "WAVEfmt " + le(static_cast<std::uint32_t>(fmt.size()), 4) + fmt + "data" +
                      le(static_cast<std::uint32_t>(payload), 4);
    for (std::size_t i = 0; i < payload; ++i) {
        out.push_back(static_cast<char>(i * 7 % 5));
    }
    return out;
}

struct FfmpegAudioDecoderTest : ::testing::Test {
    test::TempDir dir;
    FfmpegAudioDecoder decoder;
};

TEST_F(FfmpegAudioDecoderTest, decodesWavExactlyKeepingRateAndChannelsWhateverTheBlockSize) {
    const auto stereo = ramp(44100, 2);
    ASSERT_TRUE(test::writeWav(dir / "stereo.wav", stereo, 44100, 2, test::WavSamples::float32));
    const auto mono = ramp(22050, 1);
    ASSERT_TRUE(test::writeWav(dir / "mono.wav", mono, 22050, 1, test::WavSamples::pcm16));

    for (std::size_t block : {1u, 100u, 4096u, 100000u}) {
        auto opened = decoder.open((dir / "stereo.wav").string());
        ASSERT_TRUE(opened.stream) << opened.error;
        EXPECT_EQ(opened.stream->sampleRate(), 44100);
        EXPECT_EQ(opened.stream->channels(), 2);
        EXPECT_NEAR(opened.stream->duration(), 1.0, 0.001);
        const auto decoded = readAll(*opened.stream, block);
        ASSERT_EQ(decoded.size(), stereo.size()) << "block " << block;
        EXPECT_EQ(decoded, stereo) << "float samples come through untouched, block " << block;
        EXPECT_TRUE(opened.stream->error().empty());
    }

    auto opened = decoder.open((dir / "mono.wav").string());
    ASSERT_TRUE(opened.stream) << opened.error;
    EXPECT_EQ(opened.stream->sampleRate(), 22050);
    EXPECT_EQ(opened.stream->channels(), 1) << "mono stays mono";
    const auto decoded = readAll(*opened.stream, 512);
    ASSERT_EQ(decoded.size(), mono.size());
    for (std::size_t i = 0; i < mono.size(); i += 997) {
        EXPECT_NEAR(decoded[i], mono[i], 1.0 / 32768) << "frame " << i;
    }
}

TEST_F(FfmpegAudioDecoderTest, mixesManyChannelsDownToStereo) {
    std::vector<float> surround;
    for (int i = 0; i < 4800; ++i) {
        for (int c = 0; c < 6; ++c) {
            surround.push_back(c == 0 ? 0.5f * static_cast<float>(std::sin(i * 0.05)) : 0.0f);
        }
    }
    ASSERT_TRUE(test::writeWav(dir / "six.wav", surround, 48000, 6));
    auto opened = decoder.open((dir / "six.wav").string());
    ASSERT_TRUE(opened.stream) << opened.error;
    EXPECT_EQ(opened.stream->channels(), 2);
    const auto decoded = readAll(*opened.stream, 1000);
    EXPECT_EQ(decoded.size(), 4800u * 2);
    EXPECT_GT(test::peak(decoded), 0.1) << "the front channel is heard in the stereo mix";
}

TEST_F(FfmpegAudioDecoderTest, seeksToTheExactFrame) {
    const auto samples = ramp(96000, 1);
    ASSERT_TRUE(test::writeWav(dir / "ramp.wav", samples, 48000, 1, test::WavSamples::float32));
    auto opened = decoder.open((dir / "ramp.wav").string());
    ASSERT_TRUE(opened.stream) << opened.error;
    auto& stream = *opened.stream;

    for (double at : {1.5, 0.25, 0.0, 1.999}) {
        ASSERT_TRUE(stream.seek(at)) << at;
        float frame = 0;
        ASSERT_EQ(stream.read(&frame, 1), 1u) << at;
        const auto expected = static_cast<std::size_t>(std::llround(at * 48000));
        EXPECT_FLOAT_EQ(frame, samples[expected]) << "seek to " << at << " s";
    }
    ASSERT_TRUE(stream.seek(1.0));
    EXPECT_EQ(readAll(stream, 777).size(), 48000u) << "reading after a seek runs to the end";
    EXPECT_FALSE(stream.seek(-1.0));
    EXPECT_FALSE(stream.seek(std::nan("")));
}

TEST_F(FfmpegAudioDecoderTest, decodesCompressedFormats) {
    for (const std::string name : {"tone.mp3", "tone.m4a", "tone.ogg"}) {
        const auto path = dir / name;
        ASSERT_TRUE(test::makeWithFfmpeg({"-f", "lavfi", "-i",
                                          "sine=frequency=440:sample_rate=44100:duration=1.5",
                                          "-ac", "2", path.string()}))
            << "ffmpeg could not make " << name;
        auto opened = decoder.open(path.string());
        ASSERT_TRUE(opened.stream) << name << ": " << opened.error;
        EXPECT_EQ(opened.stream->sampleRate(), 44100) << name;
        EXPECT_EQ(opened.stream->channels(), 2) << name;
        EXPECT_NEAR(opened.stream->duration(), 1.5, 0.1) << name;
        const auto decoded = readAll(*opened.stream, 4096);
        EXPECT_NEAR(static_cast<double>(decoded.size()) / 2 / 44100, 1.5, 0.1) << name;
        EXPECT_GT(test::peak(decoded), 0.05)
            << name << ": the sine, at an eighth of full scale, is heard";

        ASSERT_TRUE(opened.stream->seek(1.0)) << name;
        const auto rest = readAll(*opened.stream, 4096);
        EXPECT_NEAR(static_cast<double>(rest.size()) / 2 / 44100, 0.5, 0.06)
            << name << ": a seek lands near its target";
    }
}

TEST_F(FfmpegAudioDecoderTest, refusesFilesThatDoNotDecode) {
    test::writeFile(dir / "notes.wav", "these are notes, not sound\n");
    test::writeFile(dir / "empty.mp3", "");
    test::writeFile(dir / "fake-mp3.wav", wavClaimingMp3(200000));
    ASSERT_TRUE(test::writeWav(dir / "no-frames.wav", {}, 48000, 1));
    test::writeFile(dir / "folder.wav" / "inside", "x");
    ASSERT_TRUE(test::writeUndecodableM4a(dir / "zeroed.m4a"));

    for (const std::string name : {"notes.wav", "empty.mp3", "fake-mp3.wav", "no-frames.wav",
                                   "folder.wav", "missing.wav", "zeroed.m4a"}) {
        auto opened = decoder.open((dir / name).string());
        EXPECT_FALSE(opened.stream) << name << " opened";
        EXPECT_FALSE(opened.error.empty()) << name << " gave no reason";
    }
    EXPECT_NE(decoder.open((dir / "zeroed.m4a").string()).error.find("does not decode"),
              std::string::npos)
        << "a song whose packets do not decode is told apart from one that does not open";
}

} // namespace
} // namespace corvale
