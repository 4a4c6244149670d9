#include "signals/CachingAudioDecoder.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>

namespace corvale {
namespace {

// A decoder of ramps: sample i of a sound is i, in two channels, at 1000 frames per second. A
// sound can be set to fail part-way.
class RampDecoder : public AudioDecoder {
public:
    std::map<std::string, std::size_t> frames;
    std::map<std::string, std::size_t> failAt;
    int opens = 0;

    OpenedAudio open(const std::string& path) override {
        ++opens;
        auto found = frames.find(path);
        if (found == frames.end()) {
            return {nullptr, "no such sound"};
        }
        auto fail = failAt.find(path);
        return {std::make_unique<Ramp>(found->second,
                                       fail == failAt.end() ? found->second : fail->second),
                {}};
    }

private:
    class Ramp : public AudioStream {
    public:
        Ramp(std::size_t frames, std::size_t failAt) : frames_(frames), failAt_(failAt) {}
        int sampleRate() const override { return 1000; }
        int channels() const override { return 2; }
        double duration() const override { return double(frames_) / 1000; }
        const std::string& error() const override { return error_; }
        std::size_t read(float* out, std::size_t maxFrames) override {
            std::size_t n = 0;
            for (; n < maxFrames && at_ < frames_; ++n, ++at_) {
                if (at_ == failAt_) {
                    error_ = "damaged";
                    break;
                }
                out[2 * n] = out[2 * n + 1] = float(at_);
            }
            return n;
        }
        bool seek(double seconds) override {
            at_ = std::size_t(seconds * 1000);
            return true;
        }

    private:
        std::size_t frames_;
        std::size_t failAt_;
        std::size_t at_ = 0;
        std::string error_;
    };
};

std::vector<float> readAll(AudioStream& stream) {
    std::vector<float> all;
    float block[2 * 64];
    for (;;) {
        const std::size_t got = stream.read(block, 64);
        all.insert(all.end(), block, block + 2 * got);
        if (got < 64) {
            return all;
        }
    }
}

struct Fixture {
    test::TempDir dir;
    RampDecoder inner;

    std::string sound(const std::string& name, std::size_t frames, const std::string& bytes = "x") {
        const std::string path = (dir / name).string();
        std::ofstream(path) << bytes;
        inner.frames[path] = frames;
        return path;
    }
};

TEST(CachingAudioDecoder, aSoundPlayedToItsEndIsPlayedFromMemoryNextTime) {
    Fixture f;
    CachingAudioDecoder decoder(f.inner);
    const auto path = f.sound("a.wav", 300);

    auto first = decoder.open(path);
    ASSERT_TRUE(first.stream);
    const auto decoded = readAll(*first.stream);
    EXPECT_EQ(decoded.size(), 600u);
    EXPECT_EQ(decoder.heldBytes(), 600 * sizeof(float));

    auto again = decoder.open(path);
    ASSERT_TRUE(again.stream);
    EXPECT_EQ(f.inner.opens, 1) << "the second alert decodes nothing";
    EXPECT_EQ(again.stream->sampleRate(), 1000);
    EXPECT_EQ(again.stream->channels(), 2);
    EXPECT_DOUBLE_EQ(again.stream->duration(), 0.3);
    EXPECT_EQ(readAll(*again.stream), decoded);

    auto seeked = decoder.open(path);
    ASSERT_TRUE(seeked.stream->seek(0.25));
    float frame[2];
    ASSERT_EQ(seeked.stream->read(frame, 1), 1u);
    EXPECT_EQ(frame[0], 250.f);
    EXPECT_TRUE(seeked.stream->seek(9.0)) << "past the end is the end, as files behave";
    EXPECT_EQ(seeked.stream->read(frame, 1), 0u);
    EXPECT_FALSE(seeked.stream->seek(-1.0));

    EXPECT_FALSE(decoder.open((f.dir / "missing.wav").string()).stream);
}

TEST(CachingAudioDecoder, onlyWholeCleanShortSoundsAreKept) {
    struct Case {
        const char* what;
        std::size_t frames;
        bool seek;
        std::size_t readFrames; // 0: to the end
        std::optional<std::size_t> failAt;
    };
    const Case cases[] = {
        {"stopped before its end", 300, false, 100, std::nullopt},
        {"started part-way", 300, true, 0, std::nullopt},
        {"longer than a sound may hold", 5000, false, 0, std::nullopt},
        {"damaged part-way", 300, false, 0, 200},
    };
    for (const auto& c : cases) {
        Fixture f;
        CachingAudioDecoder decoder(
            f.inner, {.perSoundBytes = 4000 * 2 * sizeof(float), .totalBytes = 1u << 20});
        const auto path = f.sound("a.wav", c.frames);
        if (c.failAt) {
            f.inner.failAt[path] = *c.failAt;
        }
        auto opened = decoder.open(path);
        ASSERT_TRUE(opened.stream) << c.what;
        if (c.seek) {
            opened.stream->seek(0.1);
        }
        if (c.readFrames) {
            std::vector<float> block(2 * c.readFrames);
            opened.stream->read(block.data(), c.readFrames);
        } else {
            readAll(*opened.stream);
        }
        decoder.open(path);
        EXPECT_EQ(f.inner.opens, 2) << c.what;
        EXPECT_EQ(decoder.heldBytes(), 0u) << c.what;
    }
}

TEST(CachingAudioDecoder, anEditedFileIsDecodedAfreshAndTheOldestSoundMakesRoom) {
    Fixture f;
    CachingAudioDecoder decoder(f.inner,
                                {.perSoundBytes = 1u << 20, .totalBytes = 2 * 600 * sizeof(float)});
    const auto a = f.sound("a.wav", 300);
    const auto b = f.sound("b.wav", 300);
    const auto c = f.sound("c.wav", 300);
    auto play = [&](const std::string& path) { readAll(*decoder.open(path).stream); };

    play(a);
    play(b);
    play(a); // a is now the most recently used
    EXPECT_EQ(f.inner.opens, 2);
    play(c); // b makes room
    EXPECT_EQ(decoder.heldBytes(), 2 * 600 * sizeof(float));
    play(a);
    EXPECT_EQ(f.inner.opens, 3) << "a stayed";
    play(b);
    EXPECT_EQ(f.inner.opens, 4) << "b had made room";

    f.sound("a.wav", 300, "edited, longer");
    play(a);
    EXPECT_EQ(f.inner.opens, 5) << "a changed file is decoded again";
}

} // namespace
} // namespace corvale
