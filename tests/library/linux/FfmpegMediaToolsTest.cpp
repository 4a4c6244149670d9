#include "library/linux/FfmpegMediaTools.h"
#include "signals/linux/FfmpegAudioDecoder.h"

#include "support/DamagedAudio.h"
#include "support/SignalLevels.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <numbers>

namespace corvale {
namespace {

constexpr int rate = 44100;

// A song of three parts that tell where a clip came from: 440 Hz, then 880 Hz from 1.0 s to
// 1.5 s, then 440 Hz again, 3 s in all, stereo.
std::vector<float> threePartSong() {
    std::vector<float> samples;
    double phase = 0;
    for (int i = 0; i < 3 * rate; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double frequency = t >= 1.0 && t < 1.5 ? 880 : 440;
        phase += 2 * std::numbers::pi * frequency / rate;
        const auto value = static_cast<float>(0.4 * std::sin(phase));
        samples.push_back(value);
        samples.push_back(value);
    }
    return samples;
}

// Estimated pitch of a mono signal from its upward swings through ±0.1, which coding noise
// around zero cannot fake.
double pitch(const std::vector<float>& mono, int sampleRate) {
    int cycles = 0;
    bool high = false;
    for (float s : mono) {
        if (!high && s > 0.1f) {
            high = true;
            ++cycles;
        } else if (high && s < -0.1f) {
            high = false;
        }
    }
    return cycles / (static_cast<double>(mono.size()) / sampleRate);
}

std::vector<float> decodeMono(MediaTools& tools, const std::string& path) {
    std::vector<float> mono;
    EXPECT_TRUE(tools.readMono(path, [&](const float* samples, std::size_t count) {
        mono.insert(mono.end(), samples, samples + count);
    })) << path;
    return mono;
}

class FfmpegMediaToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::writeWav(dir / "song.wav", threePartSong(), rate, 2));
    }
    test::TempDir dir;
    FfmpegMediaTools tools;
};

TEST_F(FfmpegMediaToolsTest, readsDurationAndMonoSamples) {
    using Problem = SongLength::Problem;
    const auto length = tools.duration((dir / "song.wav").string());
    ASSERT_EQ(length.problem, Problem::none);
    EXPECT_NEAR(length.seconds, 3.0, 0.001);
    test::writeFile(dir / "notes.mp3", "not a song");
    EXPECT_EQ(tools.duration((dir / "notes.mp3").string()).problem, Problem::cannotOpen);
    const auto missing = tools.duration((dir / "missing.wav").string());
    EXPECT_EQ(missing.problem, Problem::cannotOpen);
    EXPECT_FALSE(missing.detail.empty()) << "the library's reason, for the log";

    std::size_t blocks = 0;
    std::vector<float> mono;
    ASSERT_TRUE(tools.readMono((dir / "song.wav").string(), [&](const float* s, std::size_t n) {
        ++blocks;
        mono.insert(mono.end(), s, s + n);
    }));
    EXPECT_EQ(mono.size(), static_cast<std::size_t>(3 * rate)) << "one value per frame";
    EXPECT_GT(blocks, 1u) << "handed over in blocks, not as one piece";
    EXPECT_NEAR(test::peak(mono), 0.4, 0.001);

    std::vector<float> leftOnly;
    for (int i = 0; i < rate; ++i) {
        leftOnly.push_back(0.5f);
        leftOnly.push_back(0.0f);
    }
    ASSERT_TRUE(test::writeWav(dir / "left.wav", leftOnly, rate, 2, test::WavSamples::float32));
    EXPECT_NEAR(test::peak(decodeMono(tools, (dir / "left.wav").string())), 0.25, 0.001)
        << "channels are mixed down, not just the first one taken";
    EXPECT_FALSE(tools.readMono((dir / "notes.mp3").string(), [](const float*, std::size_t) {}));
}

TEST_F(FfmpegMediaToolsTest, exportsExactlyTheRangeOverAnOlderClip) {
    const auto target = dir / "Sounds" / "clip.m4a";
    test::writeFile(target, "an older clip of that name");
    const auto failure = tools.exportClip((dir / "song.wav").string(), 1.0, 0.5, target.string());
    ASSERT_FALSE(failure) << failure->message;

    FfmpegAudioDecoder decoder;
    auto opened = decoder.open(target.string());
    ASSERT_TRUE(opened.stream) << opened.error;
    EXPECT_EQ(opened.stream->channels(), 2);
    EXPECT_EQ(opened.stream->sampleRate(), rate);
    const auto mono = decodeMono(tools, target.string());
    EXPECT_NEAR(static_cast<double>(mono.size()) / rate, 0.5, 0.025) << "the clip is 0.5 s long";
    EXPECT_NEAR(pitch(mono, rate), 880, 30) << "the clip holds the 880 Hz part and only that";
}

TEST_F(FfmpegMediaToolsTest, aClipDeepInASongStartsWhereAsked) {
    const auto target = dir / "late.m4a";
    ASSERT_FALSE(tools.exportClip((dir / "song.wav").string(), 1.25, 1.0, target.string()));
    const auto mono = decodeMono(tools, target.string());
    ASSERT_NEAR(static_cast<double>(mono.size()) / rate, 1.0, 0.025);
    const std::vector<float> first(mono.begin(), mono.begin() + rate / 4);
    const std::vector<float> rest(mono.begin() + rate / 4 + 2048, mono.end());
    EXPECT_NEAR(pitch(first, rate), 880, 40) << "the first quarter second is the 880 Hz part";
    EXPECT_NEAR(pitch(rest, rate), 440, 20) << "then the song goes on at 440 Hz";
}

TEST_F(FfmpegMediaToolsTest, refusesProtectedAudiolessAndUnreadableSources) {
    ASSERT_TRUE(test::makeWithFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a",
                                      "aac", (dir / "song.m4a").string()}));
    std::string bytes = test::readFile(dir / "song.m4a");
    const auto entry = bytes.find("mp4a");
    ASSERT_NE(entry, std::string::npos);
    bytes.replace(entry, 4, "enca");
    test::writeFile(dir / "protected.m4a", bytes);
    ASSERT_TRUE(test::makeWithFfmpeg({"-f", "lavfi", "-i", "testsrc=duration=1:size=64x48", "-c:v",
                                      "mpeg4", (dir / "video.mp4").string()}));
    test::writeFile(dir / "notes.mp3", "not a song");

    using Kind = ClipExportFailure::Kind;
    const auto target = (dir / "out" / "clip.m4a").string();
    auto failure = tools.exportClip((dir / "protected.m4a").string(), 0.5, 1.0, target);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::protectedContent);
    failure = tools.exportClip((dir / "video.mp4").string(), 0.1, 0.5, target);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::noAudioTrack);
    EXPECT_EQ(tools.duration((dir / "video.mp4").string()).problem,
              SongLength::Problem::noAudioTrack)
        << "a video without sound is refused when it opens, not only when it is saved";
    failure = tools.exportClip((dir / "notes.mp3").string(), 0.1, 0.5, target);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::cannotOpen);
    failure = tools.exportClip((dir / "song.wav").string(), 1.0, 0.0, target);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::exportFailed);
    EXPECT_FALSE(std::filesystem::exists(target)) << "a failed export leaves no file";

    // A named pipe nobody writes to would hold the clip editor's worker for good.
    const auto pipe = (dir / "pipe.mp3").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(tools.duration(pipe).problem, SongLength::Problem::cannotOpen);
    EXPECT_FALSE(tools.readMono(pipe, [](const float*, std::size_t) {}));
    failure = tools.exportClip(pipe, 0.1, 0.5, target);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::cannotOpen);

    ASSERT_TRUE(tools.exportClip((dir / "song.m4a").string(), 0.5, 1.0, target) == std::nullopt)
        << "the unaltered song exports";
}

} // namespace
} // namespace corvale
