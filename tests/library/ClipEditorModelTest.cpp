#include "library/ClipEditorModel.h"
#include "library/LaneDrag.h"
#include "library/StripDrag.h"

#include "support/FakeAudio.h"
#include "support/FakeMediaTools.h"
#include "support/LogRecorder.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using Key = ClipEditorModel::Key;
using Kind = ClipExportFailure::Kind;

constexpr const char* song = "/music/Song.mp3";
const std::string shortStatus = "Drag the ends to trim, the middle to move (clips up to 10 s).";
const std::string longStatus = "Top bar = where your clip sits in the song (drag it to move) "
                               "\u00B7 below, drag the ends to trim (clips up to 10 s).";

struct ClipEditorModelTest : ::testing::Test {
    test::FakeMediaTools media;
    test::ManualBackgroundTasks background;
    test::FakeAudioEngine engine;
    test::ManualScheduler scheduler;
    test::LogRecorder logs;
    std::unique_ptr<ClipEditorModel> model;

    // A model whose song has the given length (none: unreadable), loaded with its waveform.
    ClipEditorModel& opened(std::optional<double> duration, bool runWaveform = true) {
        auto& described = media.songs[song];
        described.duration = duration;
        described.samples = 44100;
        model = std::make_unique<ClipEditorModel>(
            song, logs.fn(), ClipEditorModel::Services{media, background, engine, scheduler});
        model->load();
        background.runNext();
        if (runWaveform) {
            background.runAll();
        }
        model->startKeyMonitor();
        return *model;
    }
    // Centring first leaves both trims room to reach any selection of up to ten seconds.
    void select(double start, double end) {
        model->moveClip((start + end) / 2);
        model->trimStart(start);
        model->trimEnd(end);
    }
    bool press(Key key, bool shift = false, bool repeat = false, bool typing = false) {
        return model->handleKey({key, shift, repeat, typing});
    }
};

TEST_F(ClipEditorModelTest, loadingSetsTheDefaultSelectionStatusAndWaveform) {
    media.songs[song] = {2.0, 44100, {}};
    ClipEditorModel m(song, logs.fn(), {media, background, engine, scheduler});
    EXPECT_EQ(m.status(), "Loading\u2026");
    EXPECT_EQ(m.selEnd(), 3.0);
    EXPECT_FALSE(m.showsProgress()) << "nothing is read before load";
    m.load();
    EXPECT_FALSE(m.sourceDuration()) << "the length arrives from the background";
    EXPECT_EQ(m.songTitle(), "Song.mp3");
    EXPECT_FALSE(m.canUseSelection()) << "nothing to drag, play or save without the length";
    EXPECT_TRUE(m.showsProgress());
    background.runNext();
    EXPECT_EQ(m.sourceDuration(), 2.0);
    EXPECT_EQ(m.songTitle(), "Song.mp3  \u00B7  0:02");
    EXPECT_TRUE(m.canUseSelection());
    EXPECT_EQ(m.selStart(), 0);
    EXPECT_EQ(m.selEnd(), 2.0) << "a 2-second song is selected whole";
    EXPECT_EQ(m.status(), shortStatus);
    EXPECT_FALSE(m.showsSongStrip());
    EXPECT_TRUE(m.peaks().empty());
    background.runNext();
    EXPECT_EQ(m.peaks().size(), 1200u) << "never fewer than 1200 bars";
    EXPECT_FALSE(m.showsProgress());

    auto& longer = opened(60.0);
    EXPECT_EQ(longer.selEnd(), 3.0);
    EXPECT_EQ(longer.status(), longStatus);
    EXPECT_TRUE(longer.showsSongStrip());
    EXPECT_EQ(opened(100.0).peaks().size(), 2000u) << "20 bars per second";
    EXPECT_EQ(opened(240.0).peaks().size(), 4000u) << "never more than 4000";
    EXPECT_EQ(opened(15.0).status(), shortStatus);

    auto& tiny = opened(0.05);
    EXPECT_DOUBLE_EQ(tiny.selEnd(), 0.1);
    tiny.startPlayback();
    EXPECT_EQ(tiny.status(), "That track is too short to clip.");
    EXPECT_TRUE(logs.contains("[clip] play rejected: That track is too short to clip."));
    tiny.setNameText("");
    tiny.save("/tmp", "U");
    EXPECT_EQ(tiny.status(), "That track is too short to clip.");
    EXPECT_FALSE(tiny.isExporting());
    EXPECT_TRUE(engine.starts.empty());
}

TEST_F(ClipEditorModelTest, anUnreadableSongRefusesEveryEdit) {
    auto& m = opened(std::nullopt);
    EXPECT_EQ(m.status(), "Couldn't read that file's length - it may be unsupported or protected.");
    EXPECT_EQ(background.pending(), 0u) << "no waveform is read without a length";
    EXPECT_FALSE(m.canUseSelection());
    EXPECT_FALSE(m.showsProgress());
    m.trimEnd(1.0);
    m.trimStart(0.5);
    m.move(2);
    m.moveClip(5);
    EXPECT_TRUE(press(Key::right, true)) << "the arrow keys still belong to the editor";
    EXPECT_EQ(m.selStart(), 0);
    EXPECT_EQ(m.selEnd(), 3.0);
    m.startPlayback();
    EXPECT_EQ(m.status(), "That track is too short to clip.");
    EXPECT_TRUE(engine.starts.empty());

    media.songs[song].readFails = true;
    auto& noWaveform = opened(30.0);
    EXPECT_TRUE(noWaveform.peaks().empty()) << "a failed waveform leaves no bars and no message";
    EXPECT_EQ(noWaveform.status(), longStatus);
}

TEST_F(ClipEditorModelTest, trimmingKeepsTheClipBetweenATenthAndTenSeconds) {
    test::TempDir dir;
    auto& m = opened(60.0);
    m.trimEnd(m.selStart() + 12);
    EXPECT_DOUBLE_EQ(m.selEnd(), 10.0) << "the end stops ten seconds after the start";
    EXPECT_EQ(m.activeEdge(), ClipEditorModel::Edge::end);
    m.trimStart(m.selEnd() - 0.05);
    EXPECT_DOUBLE_EQ(m.selStart(), 9.9) << "the start stops a tenth before the end";
    EXPECT_EQ(m.activeEdge(), ClipEditorModel::Edge::start);
    EXPECT_DOUBLE_EQ(m.playhead(), m.selStart()) << "the playhead follows the start when idle";
    m.save(dir.path(), "U");
    EXPECT_TRUE(m.isExporting()) << "the shortest selection saves: " << m.status();
    background.runAll();

    m.trimStart(-4);
    EXPECT_DOUBLE_EQ(m.selStart(), 0) << "not before the song";
    select(50, 58);
    m.trimEnd(75);
    EXPECT_DOUBLE_EQ(m.selEnd(), 60) << "not past the song";
    m.trimStart(20);
    EXPECT_DOUBLE_EQ(m.selStart(), 50) << "not more than ten seconds before the end";
    m.trimEnd(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(m.selEnd(), 60) << "a broken position is ignored";
}

TEST_F(ClipEditorModelTest, movingKeepsTheLengthAndStaysInTheWindowOrTheSong) {
    auto& m = opened(60.0);
    EXPECT_EQ(m.currentWindow().start, 0);
    EXPECT_EQ(m.currentWindow().span, 15);
    m.move(14);
    EXPECT_DOUBLE_EQ(m.selStart(), 12) << "dragging stops at the window's end";
    EXPECT_DOUBLE_EQ(m.selEnd(), 15);
    m.move(-3);
    EXPECT_DOUBLE_EQ(m.selStart(), 0);
    EXPECT_DOUBLE_EQ(m.selEnd(), 3);

    m.moveClip(30);
    EXPECT_DOUBLE_EQ(m.selStart(), 28.5);
    EXPECT_DOUBLE_EQ(m.selEnd(), 31.5);
    EXPECT_DOUBLE_EQ(m.viewStart(), 22.5) << "the zoomed window follows the strip";
    m.moveClip(59.5);
    EXPECT_DOUBLE_EQ(m.selStart(), 57);
    EXPECT_DOUBLE_EQ(m.selEnd(), 60);
    EXPECT_DOUBLE_EQ(m.currentWindow().start, 45) << "the window ends with the song";
    m.moveClip(-10);
    EXPECT_DOUBLE_EQ(m.selStart(), 0);

    auto& brief = opened(8.0);
    EXPECT_EQ(brief.currentWindow().span, 8) << "a short song is its own window";
    brief.moveClip(7.9);
    EXPECT_DOUBLE_EQ(brief.selEnd(), 8);
    EXPECT_DOUBLE_EQ(brief.viewStart(), 0);
}

TEST_F(ClipEditorModelTest, arrowKeysMoveOrTrimAndSpaceTogglesThePreviewOnce) {
    auto& m = opened(60.0);
    m.stopKeyMonitor();
    EXPECT_FALSE(press(Key::right)) << "keys pass while the editor is not shown";
    m.startKeyMonitor();

    EXPECT_TRUE(press(Key::right));
    EXPECT_DOUBLE_EQ(m.selStart(), 0.1);
    EXPECT_DOUBLE_EQ(m.selEnd(), 3.1);
    m.trimStart(0.5);
    EXPECT_TRUE(press(Key::right, true));
    EXPECT_DOUBLE_EQ(m.selStart(), 0.6) << "shift trims only the active edge";
    EXPECT_DOUBLE_EQ(m.selEnd(), 3.1);
    m.trimEnd(3.0);
    EXPECT_TRUE(press(Key::left, true));
    EXPECT_DOUBLE_EQ(m.selEnd(), 2.9);
    EXPECT_DOUBLE_EQ(m.selStart(), 0.6);

    m.move(12.5);
    EXPECT_NEAR(m.selEnd(), 14.8, 1e-9);
    for (int i = 0; i < 5; ++i) {
        press(Key::right);
    }
    EXPECT_NEAR(m.selEnd(), 15, 1e-9) << "not past the window's end";

    EXPECT_FALSE(press(Key::right, false, false, true)) << "typing in the name field";
    EXPECT_FALSE(press(Key::space, false, false, true));
    EXPECT_NEAR(m.selEnd(), 15, 1e-9);
    EXPECT_FALSE(m.isPlaying());
    EXPECT_FALSE(press(Key::other));

    EXPECT_TRUE(press(Key::space));
    EXPECT_TRUE(m.isPlaying());
    EXPECT_TRUE(press(Key::space, false, true)) << "a repeat is swallowed";
    EXPECT_TRUE(press(Key::space, false, true));
    EXPECT_TRUE(m.isPlaying()) << "holding space does not toggle again";
    EXPECT_EQ(engine.starts.size(), 1u);
    EXPECT_TRUE(press(Key::space));
    EXPECT_FALSE(m.isPlaying());
    EXPECT_EQ(engine.playingCount(), 0u);
}

TEST_F(ClipEditorModelTest, thePreviewPlaysTheClipAndStopsAtItsEnd) {
    auto& m = opened(60.0);
    select(12, 15);
    EXPECT_EQ(m.playTitle(), "Play");
    m.startPlayback();
    EXPECT_EQ(m.playTitle(), "Stop");
    ASSERT_EQ(engine.starts.size(), 1u);
    EXPECT_DOUBLE_EQ(engine.starts[0].offset, 12) << "the preview starts at the clip";
    EXPECT_EQ(engine.starts[0].gain, 1.0f);
    EXPECT_EQ(m.status(), "Playing 0:12\u20130:15 (3.0 s)\u2026");
    EXPECT_TRUE(logs.contains("[clip] play Song.mp3 @ 12.0s for 3.0s"));
    EXPECT_DOUBLE_EQ(m.playhead(), 12);

    *engine.starts[0].position = 13.25;
    scheduler.advance(0.05);
    EXPECT_DOUBLE_EQ(m.playhead(), 13.25) << "the playhead follows what is heard";
    m.trimStart(13);
    EXPECT_DOUBLE_EQ(m.playhead(), 13.25) << "trimming does not move a playing playhead";

    scheduler.advance(2.9);
    EXPECT_TRUE(m.isPlaying());
    scheduler.advance(0.1);
    EXPECT_FALSE(m.isPlaying()) << "the preview ends with the clip";
    EXPECT_FALSE(*engine.starts[0].playing) << "and the sound is stopped, not left running";
    EXPECT_EQ(m.status(), "Track 1:00 - drag the ends to trim, the middle to move.");
    EXPECT_DOUBLE_EQ(m.playhead(), 13);
    EXPECT_EQ(scheduler.pendingTimers(), 0u);

    m.startPlayback();
    engine.finish(1);
    scheduler.advance(0.05);
    EXPECT_FALSE(m.isPlaying()) << "a sound that ended early ends the preview";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);

    m.startPlayback();
    m.stopPlayback(true);
    EXPECT_EQ(m.status(), "Playing 0:13\u20130:15 (2.0 s)\u2026") << "a silent stop keeps the text";
    m.startPlayback();
    m.startPlayback();
    EXPECT_EQ(engine.playingCount(), 1u) << "a new preview replaces the old one";

    engine.answerAtOnce = false;
    m.startPlayback();
    scheduler.advance(1.0);
    engine.answer(engine.starts.size() - 1);
    scheduler.advance(1.9);
    EXPECT_TRUE(m.isPlaying()) << "the clip's length counts from when the sound started";
    scheduler.advance(0.1);
    EXPECT_FALSE(m.isPlaying());
    m.startPlayback();
    model.reset();
    EXPECT_EQ(engine.playingCount(), 0u) << "closing the editor silences it";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(ClipEditorModelTest, aPreviewThatCannotStartSaysSo) {
    auto& m = opened(60.0);
    engine.broken.insert(song);
    m.startPlayback();
    EXPECT_EQ(m.status(), "Couldn't play that file.");
    EXPECT_TRUE(logs.contains(
        "[clip] play failed to open Song.mp3: Invalid data found when processing input"));
    engine.broken.clear();
    engine.failWith = "Connection refused";
    m.startPlayback();
    EXPECT_EQ(m.status(), "Couldn't start playback of that file.");
    EXPECT_FALSE(m.isPlaying());
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(ClipEditorModelTest, savingExportsTheSelectionAndNamesTheClip) {
    test::TempDir dir;
    auto& m = opened(200.0);
    select(65, 68);
    std::vector<std::pair<std::filesystem::path, std::string>> saved;
    m.onSaved = [&](const std::filesystem::path& clip, const std::string& name) {
        saved.emplace_back(clip, name);
    };
    EXPECT_EQ(m.autoName(), "Song (1:05\u20131:08)");
    m.setNameText(" \n ");
    m.save(dir / "Sounds", "U");
    EXPECT_TRUE(m.isExporting());
    EXPECT_EQ(m.status(), "Exporting clip\u2026");
    EXPECT_FALSE(m.canUseSelection()) << "the passage being exported stays as it is";
    EXPECT_FALSE(m.canEditName());
    EXPECT_TRUE(m.showsProgress());
    m.save(dir / "Sounds", "V");
    EXPECT_EQ(background.pending(), 1u) << "a second press while exporting starts nothing";
    background.runAll();
    EXPECT_FALSE(m.isExporting());
    EXPECT_TRUE(m.canUseSelection() && m.canEditName());
    ASSERT_EQ(media.exports.size(), 1u);
    EXPECT_DOUBLE_EQ(media.exports[0].start, 65);
    EXPECT_DOUBLE_EQ(media.exports[0].length, 3);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].first, dir / "Sounds" / "U.m4a");
    EXPECT_EQ(saved[0].second, "Song (1:05\u20131:08)") << "an empty name uses the suggestion";
    EXPECT_TRUE(logs.contains("[clip] exported Song.mp3 [1:05+3.0s] \u2192 U.m4a"));

    m.setNameText("  Big chorus\n");
    media.exportFailure = ClipExportFailure{Kind::noAudioTrack, {}};
    m.save(dir / "Sounds", "W");
    background.runAll();
    EXPECT_EQ(saved.size(), 1u) << "a failed export saves nothing";
    EXPECT_FALSE(m.isExporting());
    EXPECT_EQ(m.status(), "That file has no audio track to clip.");
    EXPECT_TRUE(
        logs.contains("[clip] export failed for Song.mp3: That file has no audio track to clip."));
    media.exportFailure.reset();
    m.save(dir / "Sounds", "X");
    background.runAll();
    EXPECT_EQ(saved.back().second, "Big chorus") << "a typed name is trimmed";

    m.setNameText("");
    m.save(dir / "Sounds", "Z");
    m.trimEnd(70);
    background.runAll();
    EXPECT_EQ(saved.back().second, "Song (1:05\u20131:08)")
        << "named after the passage exported, not the selection edited meanwhile";

    m.save(dir / "Sounds", "Y");
    model.reset();
    background.runAll();
    EXPECT_EQ(saved.size(), 3u) << "an editor closed during the export hears nothing of it";
    EXPECT_FALSE(std::filesystem::exists(dir / "Sounds" / "Y.m4a"))
        << "nor is its clip left in the sound folder";
    EXPECT_TRUE(std::filesystem::exists(dir / "Sounds" / "X.m4a"));

    auto& dismissed = opened(200.0);
    dismissed.save(dir / "Sounds", "Q");
    dismissed.onSaved = nullptr; // the editor was closed, the model lives on until the export ends
    background.runAll();
    EXPECT_FALSE(std::filesystem::exists(dir / "Sounds" / "Q.m4a"));
}

TEST_F(ClipEditorModelTest, loadingAndItsFailuresAreReported) {
    std::vector<std::pair<std::string, std::string>> failures;
    const auto listen = [&](ClipEditorModel& m) {
        m.onFailure = [&](const std::string& message, const std::string& informative) {
            failures.emplace_back(message, informative);
        };
    };
    media.songs[song] = {90.0, 44100, {}};
    ClipEditorModel m(song, logs.fn(), {media, background, engine, scheduler});
    listen(m);
    EXPECT_FALSE(m.isLoading());
    EXPECT_EQ(m.selectionReadout(), "") << "no times before the length is known";
    m.load();
    EXPECT_TRUE(m.isLoading());
    background.runNext();
    EXPECT_TRUE(m.isLoading()) << "the waveform is still being read";
    EXPECT_EQ(m.selectionReadout(), "0:00.0 \u2013 0:03.0  \u00B7  3.0 s");
    media.songs[song].readFails = true;
    background.runNext();
    EXPECT_FALSE(m.isLoading()) << "a failed waveform ends the loading too";
    EXPECT_TRUE(failures.empty()) << "the editor works without bars";

    media.exportFailure = ClipExportFailure{Kind::protectedContent, {}};
    m.save("/tmp/none", "U");
    background.runAll();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].first, ClipEditorModel::exportFailedMessage);
    EXPECT_EQ(failures[0].second, m.status());

    ClipEditorModel again(song, logs.fn(), {media, background, engine, scheduler});
    listen(again);
    media.songs[song].duration.reset();
    again.load();
    background.runAll();
    EXPECT_FALSE(again.isLoading());
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1].first, ClipEditorModel::loadFailedMessage);
    EXPECT_EQ(failures[1].second,
              "Couldn't read that file's length - it may be unsupported or protected.");

    // A video without sound is refused at once, not shown as a flat line that saves.
    media.songs[song] = {600.0, 0, {}, false, true};
    ClipEditorModel video(song, logs.fn(), {media, background, engine, scheduler});
    listen(video);
    video.load();
    background.runAll();
    EXPECT_EQ(video.status(), "That file has no audio track to clip.");
    EXPECT_FALSE(video.canUseSelection());
    EXPECT_EQ(failures.size(), 3u);
}

TEST_F(ClipEditorModelTest, aSongThatVanishesIsToldApartFromOneWithoutSound) {
    test::TempDir dir;
    const auto file = dir / "Song.mp3";
    test::writeFile(file, "song");
    media.songs[file.string()] = {60.0, 44100, {}};
    ClipEditorModel m(file.string(), logs.fn(), {media, background, engine, scheduler});
    m.load();
    background.runAll();
    ASSERT_TRUE(m.canUseSelection());

    // Deleted while the editor was open: the exporter no longer opens it.
    std::filesystem::remove(file);
    media.exportFailure = ClipExportFailure{Kind::cannotOpen, "No such file or directory"};
    m.save(dir / "Sounds", "U");
    background.runAll();
    EXPECT_EQ(m.status(), "That file is no longer there - it may have been moved or deleted.");
    EXPECT_TRUE(logs.contains("[clip] export failed for Song.mp3: That file is no longer there - "
                              "it may have been moved or deleted. (No such file or directory)"))
        << "the library's words go to the log";

    test::writeFile(file, "");
    m.save(dir / "Sounds", "V");
    background.runAll();
    EXPECT_EQ(m.status(), "That file is empty.");
    test::writeFile(file, "not a song");
    m.save(dir / "Sounds", "W");
    background.runAll();
    EXPECT_EQ(m.status(), "That file isn't audio Corvale can read.");

    ClipEditorModel gone((dir / "Gone.mp3").string(), logs.fn(),
                         {media, background, engine, scheduler});
    gone.load();
    background.runAll();
    EXPECT_EQ(gone.status(), "That file is no longer there - it may have been moved or deleted.");
    EXPECT_TRUE(logs.contains("[clip] couldn't open Gone.mp3: No such file or directory"));
}

TEST_F(ClipEditorModelTest, timesReadAsMinutesAndSeconds) {
    EXPECT_EQ(ClipEditorModel::mmss(0), "0:00");
    EXPECT_EQ(ClipEditorModel::mmss(65.4), "1:05");
    EXPECT_EQ(ClipEditorModel::mmss(59.5), "1:00");
    EXPECT_EQ(ClipEditorModel::mmss(3725), "62:05") << "minutes are not wrapped into hours";
    EXPECT_EQ(ClipEditorModel::mmssTenths(5), "0:05.0");
    EXPECT_EQ(ClipEditorModel::mmssTenths(65.3), "1:05.3");
    EXPECT_EQ(ClipEditorModel::mmssTenths(59.97), "1:00.0");
    EXPECT_EQ(ClipEditorModel::mmss(std::numeric_limits<double>::infinity()), "0:00");

    auto& m = opened(std::nullopt);
    EXPECT_EQ(m.autoName(), "Song") << "no valid range: the bare name";
}

TEST_F(ClipEditorModelTest, dragsInTheLaneGrabAHandleOrTheSelection) {
    auto& m = opened(60.0); // selection 0-3 s in a 15 s window
    const double w = 1500;  // 100 px per second
    auto drag = LaneDrag::begin(m, 4, w);
    EXPECT_EQ(drag.mode(), LaneDrag::Mode::trimStart);
    drag.moveTo(m, 100, w);
    EXPECT_DOUBLE_EQ(m.selStart(), 1);

    drag = LaneDrag::begin(m, 306, w);
    EXPECT_EQ(drag.mode(), LaneDrag::Mode::trimEnd);
    drag.moveTo(m, 2000, w);
    EXPECT_DOUBLE_EQ(m.selEnd(), 11) << "a position past the lane counts as its end";

    drag = LaneDrag::begin(m, 200, w);
    ASSERT_EQ(drag.mode(), LaneDrag::Mode::move);
    drag.moveTo(m, 300, w);
    EXPECT_DOUBLE_EQ(m.selStart(), 2) << "the grabbed point stays under the pointer";
    EXPECT_DOUBLE_EQ(m.selEnd(), 12);

    drag = LaneDrag::begin(m, 1400, w);
    EXPECT_EQ(drag.mode(), LaneDrag::Mode::ignored);
    drag.moveTo(m, 0, w);
    EXPECT_DOUBLE_EQ(m.selStart(), 2);
    EXPECT_EQ(LaneDrag::begin(m, 200, 0).mode(), LaneDrag::Mode::ignored) << "a lane of no width";
}

TEST_F(ClipEditorModelTest, dragsOnTheSongStripKeepTheGrabOrCentreThePointer) {
    auto& m = opened(60.0); // selection 0-3 s, centre 1.5 s
    const double w = 600;   // 10 px per second
    auto drag = StripDrag::begin(m, 20, w);
    EXPECT_TRUE(drag.grabbedMarker());
    drag.moveTo(m, 300, w);
    EXPECT_DOUBLE_EQ(m.selStart(), 28) << "the press was 0.5 s right of the centre";
    EXPECT_DOUBLE_EQ(m.selEnd(), 31);

    drag = StripDrag::begin(m, 400, w);
    EXPECT_FALSE(drag.grabbedMarker());
    drag.moveTo(m, 400, w);
    EXPECT_DOUBLE_EQ(m.selStart(), 38.5) << "centred under the pointer";
    EXPECT_DOUBLE_EQ(m.viewStart(), 32.5);

    select(38.5, 38.6);
    EXPECT_TRUE(StripDrag::begin(m, 387, w).grabbedMarker())
        << "a tiny clip still has a marker wide enough to grab";
}

} // namespace
} // namespace corvale
