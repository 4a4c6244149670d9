#include "ui/render/RenderHarness.h"
#include "ui/render/RenderSamples.h"

#include "core/linux/QtScheduler.h"
#include "library/ClipEditorModel.h"
#include "platform/Dialogs.h"
#include "ui/settings/views/ClipEditorWindow.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLayout>
#include <QTimer>

#include <cmath>
#include <cstdint>
#include <deque>

namespace corvale {

namespace {

// A song made up in memory: beats over slowly swelling sections, so the waveform looks like music.
class SampleSong : public MediaTools {
public:
    explicit SampleSong(double seconds) : seconds_(seconds) {}

    SongLength duration(const std::string&) override {
        return {SongLength::Problem::none, seconds_, {}};
    }

    bool readMono(const std::string&, const MonoSink& sink) override {
        constexpr double rate = 4410;
        const auto total = static_cast<std::size_t>(seconds_ * rate);
        std::vector<float> block;
        block.reserve(4096);
        std::uint32_t noise = 0x9E3779B9u;
        for (std::size_t i = 0; i < total; ++i) {
            const double t = static_cast<double>(i) / rate;
            noise = noise * 1664525u + 1013904223u;
            const double jitter = static_cast<double>(noise >> 8) / static_cast<double>(1u << 24);
            const double beat = std::exp(-std::fmod(t, 0.5) / 0.08);
            const double section =
                0.22 + 0.18 * std::sin(t / 23.0 * 2 * M_PI) + 0.1 * std::sin(t / 7.0 * 2 * M_PI);
            const double fadeIn = std::min(1.0, t / 4.0);
            const double level = fadeIn * (section + 0.5 * beat + 0.16 * jitter);
            block.push_back(static_cast<float>(std::min(1.0, level) * (i % 2 ? 1 : -1)));
            if (block.size() == 4096) {
                sink(block.data(), block.size());
                block.clear();
            }
        }
        sink(block.data(), block.size());
        return true;
    }

    std::optional<ClipExportFailure> exportClip(const std::string&, double, double,
                                                const std::string&) override {
        return ClipExportFailure{ClipExportFailure::Kind::exportUnavailable, {}};
    }

private:
    double seconds_;
};

// Runs the first tasks at once and holds the rest, so an image can show work in progress.
class HeldTasks : public BackgroundTasks {
public:
    explicit HeldTasks(int runAtOnce) : runAtOnce_(runAtOnce) {}
    void run(std::function<void()> work, std::function<void()> done) override {
        if (runAtOnce_-- > 0) {
            work();
            done();
        }
    }

private:
    int runAtOnce_;
};

// A preview that is always a second and a bit into the clip, for the playhead.
class SamplePreview : public AudioEngine {
public:
    std::unique_ptr<AudioPlayback> start(const std::string&, float, double offset, double,
                                         Started started, Finished) override {
        struct Playing : AudioPlayback {
            double at;
            explicit Playing(double seconds) : at(seconds) {}
            double position() const override { return at; }
            bool isPlaying() const override { return true; }
            void stop() override {}
        };
        if (started) {
            started({});
        }
        return std::make_unique<Playing>(offset + 1.3);
    }
};

enum class State { playing, named, loading, exporting };

RenderCatalog::Draw clipEditor(double songSeconds, State state) {
    return [=](const RenderVariant& variant) {
        SampleSong song(songSeconds);
        HeldTasks tasks(state == State::loading ? 1 : 2);
        SamplePreview preview;
        QtScheduler scheduler;
        NoDialogs dialogs;
        auto model = std::make_unique<ClipEditorModel>(
            "/home/me/Music/Night Drive.mp3", nullptr,
            ClipEditorModel::Services{song, tasks, preview, scheduler});
        ClipEditorModel& m = *model;
        ClipEditorWindow window(std::move(model), {dialogs, "/nonexistent", [] { return "x"; }});
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        if (songSeconds > 15) {
            m.moveClip(40);
            m.trimEnd(m.selEnd() + 0.6);
        }
        switch (state) {
        case State::playing: {
            m.startPlayback();
            // The playhead follows the preview on the next tick of its timer.
            QDeadlineTimer deadline(500);
            while (m.playhead() == m.selStart() && !deadline.hasExpired()) {
                QEventLoop loop;
                QTimer::singleShot(10, &loop, &QEventLoop::quit);
                loop.exec();
            }
            break;
        }
        case State::named:
            m.setNameText("Door chime");
            break;
        case State::loading:
            break;
        case State::exporting:
            m.save("/nonexistent", "sample");
            break;
        }
        // Laid out now: the state's texts and bars changed the sizes since the window was shown.
        window.resize(680, 420);
        window.layout()->activate();
        return grabAtSize(&window, {680, 420}, variant.deviceScale);
    };
}

} // namespace

void addClipEditorRenders(RenderCatalog& catalog) {
    catalog.add("clip-editor", clipEditor(214, State::playing));
    catalog.add("clip-editor-short-song", clipEditor(6.5, State::named));
    catalog.add("clip-editor-loading", clipEditor(214, State::loading));
    catalog.add("clip-editor-exporting", clipEditor(214, State::exporting));
}

} // namespace corvale
