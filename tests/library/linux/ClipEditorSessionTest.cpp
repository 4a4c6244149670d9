#include "core/linux/QtScheduler.h"
#include "library/ClipEditorModel.h"
#include "library/linux/FfmpegMediaTools.h"
#include "library/linux/WorkerThreadTasks.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"

#include "support/DamagedAudio.h"
#include "support/LogRecorder.h"
#include "support/PrivatePulse.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace corvale {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The clip editor on the real services: FFmpeg, a worker thread, Qt timers and a private
// PulseAudio server.
struct ClipEditorSessionTest : ::testing::Test {
    test::PrivatePulse pulse;
    test::TempDir dir;
    test::LogRecorder logs;
    FfmpegMediaTools media;
    WorkerThreadTasks background;
    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine{decoder};
    QtScheduler scheduler;

    void SetUp() override { ASSERT_TRUE(pulse.ready()) << pulse.setupError(); }

    std::unique_ptr<ClipEditorModel> loaded(const fs::path& file) {
        auto model = std::make_unique<ClipEditorModel>(
            file.string(), logs.fn(),
            ClipEditorModel::Services{media, background, engine, scheduler});
        model->load();
        EXPECT_TRUE(test::pumpEventsUntil([&] { return model->status() != "Loading\u2026"; }, 10s));
        return model;
    }
};

TEST_F(ClipEditorSessionTest, loadsPreviewsAndSavesARealSong) {
    ASSERT_TRUE(test::makeWithFfmpeg(
        {"-f", "lavfi", "-i", "sine=frequency=440:duration=20", (dir / "Song.mp3").string()}));
    auto model = loaded(dir / "Song.mp3");
    ASSERT_TRUE(model->sourceDuration());
    EXPECT_NEAR(*model->sourceDuration(), 20, 0.1);
    EXPECT_TRUE(model->showsSongStrip());
    ASSERT_TRUE(test::pumpEventsUntil([&] { return !model->peaks().empty(); }, 10s));
    EXPECT_EQ(model->peaks().size(), 1200u);

    model->moveClip(6);
    model->trimEnd(6.1); // 4.5 to 6.1 s
    model->startPlayback();
    ASSERT_TRUE(model->isPlaying()) << model->status();
    ASSERT_TRUE(test::pumpEventsUntil([&] { return model->playhead() > 4.6; }, 3s))
        << "the playhead follows the sound from the clip's start, counted in the song";
    ASSERT_TRUE(test::pumpEventsUntil([&] { return !model->isPlaying(); }, 5s));
    EXPECT_EQ(model->status(), "Track 0:20 - drag the ends to trim, the middle to move.");
    EXPECT_DOUBLE_EQ(model->playhead(), 4.5);

    std::optional<std::pair<fs::path, std::string>> saved;
    model->onSaved = [&](const fs::path& clip, const std::string& name) { saved = {clip, name}; };
    model->save(dir / "Sounds", "CLIP");
    ASSERT_TRUE(test::pumpEventsUntil([&] { return saved.has_value(); }, 30s)) << model->status();
    EXPECT_EQ(saved->first, dir / "Sounds" / "CLIP.m4a");
    EXPECT_EQ(saved->second, "Song (0:05\u20130:06)");
    EXPECT_TRUE(fs::exists(saved->first));
}

} // namespace
} // namespace corvale
