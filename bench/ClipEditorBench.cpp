// How the clip editor keeps the event loop going while a long song's waveform is read: the editor
// opens on a 16-minute MP3 made at run time, a 10 ms timer ticks on the main thread, and the
// longest gap between its ticks from the open until the waveform is drawn is the stall.
//
//   build/bin/corvale_bench_clip_editor [RUNS]      (default 3; offscreen unless QT_QPA_PLATFORM)
//
// Target: no stall longer than 100 ms.

#include "core/linux/QtScheduler.h"
#include "library/ClipEditorModel.h"
#include "library/linux/FfmpegMediaTools.h"
#include "library/linux/WorkerThreadTasks.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "ui/settings/views/ClipEditorWindow.h"

#include "StallMeter.h"

#include "support/ChildProcess.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace corvale;

namespace {

struct Figures {
    bench::StallMeter::Figures stall;
    double shownAfterMs = 0;
    bool shown = false;
};

// Notes the first paint of the lane that has bars to draw.
class WaveformShown : public QObject {
public:
    WaveformShown(ClipEditorModel& model, std::function<void()> onShown)
        : model_(model), onShown_(std::move(onShown)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !model_.peaks().empty() && onShown_) {
            // After this paint has been drawn.
            QTimer::singleShot(0, this, std::exchange(onShown_, nullptr));
        }
        return false;
    }

private:
    ClipEditorModel& model_;
    std::function<void()> onShown_;
};

Figures measure(const std::string& song, MediaTools& media, BackgroundTasks& tasks,
                AudioEngine& engine) {
    QtScheduler scheduler;
    ScriptedDialogs dialogs;
    Figures figures;
    QEventLoop loop;
    bench::StallMeter meter(10);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);

    meter.start();
    giveUp.start(120'000);
    auto model = std::make_unique<ClipEditorModel>(
        song, nullptr, ClipEditorModel::Services{media, tasks, engine, scheduler});
    ClipEditorModel& m = *model;
    auto* window = new ClipEditorWindow(std::move(model), {dialogs, {}, {}});
    WaveformShown shown(m, [&] {
        figures.shown = true;
        figures.shownAfterMs = meter.elapsedMs();
        loop.quit();
    });
    window->findChild<QWidget*>("waveformLane")->installEventFilter(&shown);
    window->show();
    loop.exec();
    // The last gap runs up to the moment the waveform was drawn.
    figures.stall = meter.finish();
    delete window;
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = bench::offscreenRuns(argc, argv);
    QApplication app(argc, argv);
    test::TempDir dir;
    const auto song = dir / "song-16min.mp3";
    const auto made = test::runCommand({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                        "sine=frequency=440:sample_rate=44100:duration=960", "-ac",
                                        "2", "-c:a", "libmp3lame", "-b:a", "192k", song.string()},
                                       {}, std::chrono::minutes(5));
    if (made.exitCode != 0) {
        std::fprintf(stderr, "could not make %s with ffmpeg\n", song.c_str());
        return 2;
    }

    {
        // The running program has drawn windows before the editor opens: fonts, style and the
        // platform are loaded. A throwaway widget loads them here, outside the measurement.
        QWidget warmUp;
        warmUp.setAttribute(Qt::WA_DontShowOnScreen);
        warmUp.show();
        QApplication::processEvents();
    }
    FfmpegMediaTools media;
    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine(decoder);
    WorkerThreadTasks tasks;
    double worst = 0;
    for (int i = 0; i < runs; ++i) {
        const Figures figures = measure(song.string(), media, tasks, engine);
        if (!figures.shown) {
            std::fprintf(stderr, "the waveform was never shown\n");
            return 2;
        }
        std::printf("run %d: waveform shown after %.0f ms; longest event-loop stall %.1f ms "
                    "(main thread on CPU %.1f ms of it), ending %.0f ms after the open; busiest "
                    "gap %.1f ms CPU; %ld ticks of 10 ms; opening the window took %.1f ms\n",
                    i + 1, figures.shownAfterMs, figures.stall.longestStallMs,
                    figures.stall.longestStallCpuMs, figures.stall.stallEndedAtMs,
                    figures.stall.busiestGapCpuMs, figures.stall.ticks, figures.stall.firstGapMs);
        worst = std::max(worst, figures.stall.longestStallMs);
    }
    engine.shutdown();
    return bench::stallVerdict(runs, worst);
}
