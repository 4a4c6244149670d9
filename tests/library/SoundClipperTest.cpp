#include "library/SoundClipper.h"
#include "library/SoundClipExporter.h"
#include "library/WaveformLoader.h"
#include "library/WaveformSampler.h"

#include "support/FakeMediaTools.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace corvale {
namespace {

using Kind = ClipExportFailure::Kind;

std::string rangeText(const SoundClipper::Result& result) {
    if (const auto* range = std::get_if<ClipRange>(&result)) {
        return "(" + std::to_string(range->start) + ", " + std::to_string(range->duration) + ")";
    }
    return describe(std::get<ClipError>(result));
}

TEST(SoundClipper, normalizedRangeKeepsTheClipInsideTheSongAndTheLimits) {
    EXPECT_EQ(SoundClipper::normalizedRange(50, 15, 60), SoundClipper::Result(ClipRange{50, 10}))
        << "capped at ten seconds";
    EXPECT_EQ(SoundClipper::normalizedRange(55, 15, 60), SoundClipper::Result(ClipRange{55, 5}))
        << "cut at the end of the song";
    EXPECT_EQ(SoundClipper::normalizedRange(-2, 3, 60), SoundClipper::Result(ClipRange{0, 3}))
        << "a start before the song counts as 0";
    EXPECT_EQ(SoundClipper::normalizedRange(1, 0.1, 60), SoundClipper::Result(ClipRange{1, 0.1}));

    const double end = 10;
    const double start = end - SoundClipper::minClipLength; // a hair under 0.1 s apart
    EXPECT_TRUE(
        std::holds_alternative<ClipRange>(SoundClipper::normalizedRange(start, end - start, 60)))
        << "the shortest clip the trim handles allow must be accepted: "
        << rangeText(SoundClipper::normalizedRange(start, end - start, 60));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::tuple<double, double, double, ClipError>> refusals{
        {0, 3, 0.1, ClipError::sourceTooShort},   {0, 3, 0.05, ClipError::sourceTooShort},
        {0, 3, nan, ClipError::sourceTooShort},   {60, 3, 60, ClipError::startOutOfRange},
        {61, 3, 60, ClipError::startOutOfRange},  {nan, 3, 60, ClipError::startOutOfRange},
        {1, 0.05, 60, ClipError::emptySelection}, {59.95, 3, 60, ClipError::emptySelection},
        {1, -1, 60, ClipError::emptySelection},   {1, nan, 60, ClipError::emptySelection},
    };
    for (const auto& [s, length, duration, error] : refusals) {
        EXPECT_EQ(SoundClipper::normalizedRange(s, length, duration), SoundClipper::Result(error))
            << "start " << s << ", length " << length << ", song " << duration << " gave "
            << rangeText(SoundClipper::normalizedRange(s, length, duration));
    }
}

TEST(WaveformSampler, bucketsCoverTheValuesEvenlyAndScaleToTheLoudest) {
    // Each bucket's loudest value sits at its first index, negative, so a wrong boundary or a
    // forgotten absolute value shows.
    const std::vector<float> values{-10, 1, -9, 1, 1, -8, 1, -7, 1, 1};
    EXPECT_EQ(WaveformSampler::peaks(values, 4), (std::vector<float>{1.0f, 0.9f, 0.8f, 0.7f}));
    const std::vector<float> rising{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(WaveformSampler::peaks(rising, 4), (std::vector<float>{0.2f, 0.5f, 0.7f, 1.0f}))
        << "buckets end before indices 2, 5, 7 and 10";

    EXPECT_EQ(WaveformSampler::peaks({0.5f, 0.25f}, 4),
              (std::vector<float>{1.0f, 1.0f, 0.5f, 0.5f}))
        << "more buckets than values: each looks at one value";
    EXPECT_EQ(WaveformSampler::peaks({}, 3), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(WaveformSampler::peaks({0, 0}, 2), (std::vector<float>{0, 0})) << "silence stays 0";
    EXPECT_TRUE(WaveformSampler::peaks(values, 0).empty());
    EXPECT_TRUE(WaveformSampler::peaks(values, -5).empty());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(WaveformSampler::peaks({nan, 0.5f}, 1), (std::vector<float>{1.0f}))
        << "a broken sample does not poison the bar";
}

TEST(WaveformLoader, keepsEveryPeakWhileReducingAcrossBlocks) {
    test::FakeMediaTools media;
    media.blockSize = 1000; // not a multiple of the run length
    constexpr std::size_t rate = 44100;
    constexpr std::size_t length = 60 * rate;
    constexpr std::size_t spike = 30 * rate + 7;
    // Three samples past the last full run of five.
    media.songs["/song.mp3"] = {60.0, length + 3, [](std::size_t i) {
                                    return i == spike ? -1.0f : i == length + 2 ? 0.9f : 0.1f;
                                }};
    const auto peaks = WaveformLoader::peaks(media, "/song.mp3", 1200, 60.0);
    ASSERT_TRUE(peaks);
    ASSERT_EQ(peaks->size(), 1200u);
    EXPECT_FLOAT_EQ((*peaks)[600], 1.0f) << "a one-sample spike survives the reduction";
    EXPECT_FLOAT_EQ((*peaks)[599], 0.1f);
    EXPECT_FLOAT_EQ((*peaks)[601], 0.1f);
    EXPECT_FLOAT_EQ(peaks->back(), 0.9f) << "the last, incomplete run counts too";

    media.songs["/short.wav"] = {0.0, 300, {}};
    const auto unknownLength = WaveformLoader::peaks(media, "/short.wav", 10, 0.0);
    ASSERT_TRUE(unknownLength) << "a length that is not positive still loads";
    EXPECT_EQ(*unknownLength, std::vector<float>(10, 1.0f));

    media.songs["/broken.mp3"] = {60.0, 1000, {}, true};
    media.songs["/empty.mp3"] = {60.0, 0, {}};
    EXPECT_FALSE(WaveformLoader::peaks(media, "/broken.mp3", 1200, 60.0));
    EXPECT_FALSE(WaveformLoader::peaks(media, "/empty.mp3", 1200, 60.0));
    EXPECT_FALSE(WaveformLoader::peaks(media, "/missing.mp3", 1200, 60.0));
    EXPECT_TRUE(
        WaveformLoader::peaks(media, "/song.mp3", 1200, std::numeric_limits<double>::infinity()))
        << "an absurd length does not break the run arithmetic";
}

TEST(SoundClipExporter, answersOnTheMainThreadOnlyAfterTheBackgroundWork) {
    test::FakeMediaTools media;
    test::ManualBackgroundTasks tasks;
    SoundClipExporter exporter(media, tasks);
    media.songs["/a.mp3"] = {42.5, 0, {}};
    media.songs["/endless.mp3"] = {std::numeric_limits<double>::infinity(), 0, {}};

    using Problem = SongLength::Problem;
    std::vector<std::pair<Problem, double>> durations;
    const auto record = [&](const SongLength& d) { durations.emplace_back(d.problem, d.seconds); };
    exporter.loadDuration("/a.mp3", record);
    exporter.loadDuration("/endless.mp3", record);
    exporter.loadDuration("/none.mp3", record);
    EXPECT_TRUE(durations.empty()) << "nothing is answered before the work ran";
    tasks.runAll();
    EXPECT_EQ(durations, (std::vector<std::pair<Problem, double>>{
                             {Problem::none, 42.5},
                             {Problem::unknownLength, std::numeric_limits<double>::infinity()},
                             {Problem::cannotOpen, 0}}));

    test::TempDir dir;
    std::vector<std::optional<ClipExportFailure>> results;
    exporter.exportClip("/a.mp3", {1.2345, 2.9999}, (dir / "c.m4a").string(),
                        [&](const auto& error) { results.push_back(error); });
    EXPECT_TRUE(media.exports.empty());
    tasks.runAll();
    ASSERT_EQ(media.exports.size(), 1u);
    EXPECT_DOUBLE_EQ(media.exports[0].start, 741.0 / 600) << "times go in steps of 1/600 s";
    EXPECT_DOUBLE_EQ(media.exports[0].length, 1800.0 / 600);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0]);

    media.exportFailure = ClipExportFailure{Kind::protectedContent, {}};
    exporter.exportClip("/a.mp3", {0, 3}, (dir / "d.m4a").string(),
                        [&](const auto& error) { results.push_back(error); });
    tasks.runAll();
    ASSERT_TRUE(results.back());
    EXPECT_EQ(results.back()->kind, Kind::protectedContent);
}

TEST(BackgroundTasks, aResultIsAlwaysDeliveredEvenWhenTheWorkThrows) {
    test::ManualBackgroundTasks tasks;
    std::vector<int> answers;
    runForResult(
        tasks, []() -> int { throw std::runtime_error("decoder blew up"); },
        [&](int answer) { answers.push_back(answer); }, -1);
    runForResult(
        tasks, [] { return 7; }, [&](int answer) { answers.push_back(answer); }, -1);
    tasks.runAll();
    EXPECT_EQ(answers, (std::vector<int>{-1, 7}));
}

} // namespace
} // namespace corvale
