#include "library/SoundClipExporter.h"
#include "library/linux/FfmpegMediaTools.h"
#include "library/linux/WorkerThreadTasks.h"

#include "support/ChildProcess.h"
#include "support/DamagedAudio.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace corvale {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string probe(const fs::path& file, const std::string& entries) {
    return test::runCommand({"ffprobe", "-v", "error", "-show_entries", entries, "-of",
                             "default=noprint_wrappers=1:nokey=1", file.string()})
        .output;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct SoundClipExporterTest : ::testing::Test {
    test::TempDir dir;
    FfmpegMediaTools media;
    WorkerThreadTasks tasks;
    SoundClipExporter exporter{media, tasks};

    // Exports through the worker thread and waits on the event loop for the answer.
    std::optional<ClipExportFailure> exportAndWait(const fs::path& source, ClipRange range,
                                                   const fs::path& target) {
        std::optional<std::optional<ClipExportFailure>> answer;
        exporter.exportClip(source.string(), range, target.string(),
                            [&](const std::optional<ClipExportFailure>& error) { answer = error; });
        EXPECT_TRUE(test::pumpEventsUntil([&] { return answer.has_value(); }, 30s))
            << "no answer for " << source;
        return answer.value_or(ClipExportFailure{ClipExportFailure::Kind::exportFailed, "none"});
    }
};

TEST_F(SoundClipExporterTest, cutsThreeSecondsOfAacFromEveryCommonFormat) {
    const std::string tone = "sine=frequency=440:sample_rate=44100:duration=6";
    const std::vector<std::pair<std::string, std::vector<std::string>>> songs{
        {"song.mp3", {"-c:a", "libmp3lame"}},
        {"song.wav", {}},
        {"song.aiff", {}},
        {"song.m4a", {"-c:a", "aac"}},
    };
    for (const auto& [name, codec] : songs) {
        std::vector<std::string> arguments{"-f", "lavfi", "-i", tone, "-ac", "2"};
        arguments.insert(arguments.end(), codec.begin(), codec.end());
        arguments.push_back((dir / name).string());
        ASSERT_TRUE(test::makeWithFfmpeg(arguments)) << name;

        SongLength length;
        bool answered = false;
        exporter.loadDuration((dir / name).string(), [&](const SongLength& d) {
            length = d;
            answered = true;
        });
        ASSERT_TRUE(test::pumpEventsUntil([&] { return answered; }, 10s));
        ASSERT_EQ(length.problem, SongLength::Problem::none) << name;
        EXPECT_NEAR(length.seconds, 6.0, 0.06) << name;

        const auto clip = dir / "Sounds" / (name + ".m4a");
        const auto failure = exportAndWait(dir / name, {1.5, 3.0}, clip);
        ASSERT_FALSE(failure) << name << ": " << failure->message;
        EXPECT_NEAR(std::stod(probe(clip, "format=duration")), 3.0, 0.03) << name;
        EXPECT_EQ(probe(clip, "stream=codec_name"), "aac\n") << name;
        EXPECT_EQ(probe(clip, "format_tags=major_brand"), "M4A \n") << name << " is an M4A file";
    }
    EXPECT_EQ(namesIn(dir / "Sounds"), (std::vector<std::string>{"song.aiff.m4a", "song.m4a.m4a",
                                                                 "song.mp3.m4a", "song.wav.m4a"}))
        << "nothing but the clips is left in the folder";
}

TEST_F(SoundClipExporterTest, aFailedExportLeavesNoFileBehind) {
    ASSERT_TRUE(test::writeUndecodableM4a(dir / "broken.m4a"));
    const auto target = dir / "Sounds" / "clip.m4a";
    test::writeFile(target, "an older clip of this name");
    auto failure = exportAndWait(dir / "broken.m4a", {0.5, 1.0}, target);
    ASSERT_TRUE(failure) << "not one packet of the song decodes";
    EXPECT_TRUE(namesIn(dir / "Sounds").empty())
        << "neither the replaced clip nor a half-written one is left";

    ASSERT_TRUE(test::makeWithFfmpeg(
        {"-f", "lavfi", "-i", "sine=duration=3", (dir / "song.wav").string()}));
    // A folder in the clip's place: the export runs to its end and then cannot be moved there.
    fs::create_directories(dir / "Sounds" / "taken.m4a" / "inside");
    failure = exportAndWait(dir / "song.wav", {0.5, 1.0}, dir / "Sounds" / "taken.m4a");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, ClipExportFailure::Kind::exportFailed);
    const auto said = SoundClipExporter::describe(*failure, (dir / "song.wav").string());
    EXPECT_TRUE(said.starts_with("The clip couldn't be exported: ")) << said;
    EXPECT_EQ(namesIn(dir / "Sounds"), (std::vector<std::string>{"taken.m4a"}))
        << "the temporary file is gone";
}

} // namespace
} // namespace corvale
