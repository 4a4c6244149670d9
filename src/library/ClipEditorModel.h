#pragma once

#include "core/Log.h"
#include "core/Scheduler.h"
#include "library/BackgroundTasks.h"
#include "library/ClipError.h"
#include "library/ClipRange.h"
#include "library/MediaTools.h"
#include "library/SoundClipExporter.h"
#include "signals/AudioEngine.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvale {

// The state and editing rules of one open clip editor: the selected passage of a song, the zoomed
// window over it, the preview, the export and the status line. Views read its fields, call its
// operations and redraw on onChange. Everything runs on the main thread; long work goes through
// the background tasks and comes back to the main thread.
class ClipEditorModel {
public:
    enum class Edge { start, end };
    enum class Key { left, right, space, other };

    struct KeyPress {
        Key key = Key::other;
        bool shift = false;
        bool isRepeat = false;
        // Typing in the name field must neither nudge nor play.
        bool textFieldHasFocus = false;
    };
    struct Window {
        double start = 0;
        double span = 0;
    };
    struct Services {
        MediaTools& media;
        BackgroundTasks& background;
        AudioEngine& engine;
        Scheduler& scheduler;
    };

    static constexpr const char* keyHint = "Space plays  \u00B7  \u2190/\u2192 moves  \u00B7  "
                                           "Shift+\u2190/\u2192 trims the active edge";
    // Longer songs also get the strip of the whole song above the zoomed lane.
    static constexpr double songStripThreshold = 15.001;
    static constexpr Millis playheadInterval{33};

    ClipEditorModel(std::string source, LogFn log, Services services);
    ~ClipEditorModel();
    ClipEditorModel(const ClipEditorModel&) = delete;
    ClipEditorModel& operator=(const ClipEditorModel&) = delete;

    // Called after every visible change.
    std::function<void()> onChange;
    // The exported clip's path and the name it gets in the library.
    std::function<void(const std::filesystem::path& clip, const std::string& name)> onSaved;
    std::function<void()> onCancel;
    // Loading or exporting failed; the status line says why too. The editor shows it as an alert.
    std::function<void(const std::string& message, const std::string& informative)> onFailure;

    static constexpr const char* loadFailedMessage = "Couldn't open that song";
    static constexpr const char* exportFailedMessage = "Couldn't save that clip";

    // The words of the editor's window beyond its state.
    static constexpr const char* laneName = "Waveform";
    static constexpr const char* readingWaveform = "Reading the waveform\u2026";
    static constexpr const char* songStripName = "Whole song";
    static constexpr const char* nameLabel = "Name:";
    static constexpr const char* nameFieldName = "Name";
    static constexpr const char* cancelTitle = "Cancel";
    static constexpr const char* saveTitle = "Save";

    const std::string& source() const { return source_; }
    double selStart() const { return selStart_; }
    double selEnd() const { return selEnd_; }
    double playhead() const { return playhead_; }
    const std::string& nameText() const { return nameText_; }
    void setNameText(std::string text);
    const std::string& status() const { return status_; }
    std::optional<double> sourceDuration() const { return sourceDuration_; }
    bool isExporting() const { return isExporting_; }
    bool isPlaying() const { return isPlaying_; }
    // From load() until the waveform arrived, failed, or the song turned out unreadable.
    bool isLoading() const { return isLoading_; }
    const std::vector<float>& peaks() const { return peaks_; }
    Edge activeEdge() const { return activeEdge_; }
    double viewStart() const { return viewStart_; }
    bool showsSongStrip() const;

    // The song's file name, with its length once known.
    std::string songTitle() const;
    // The selection can be dragged, previewed and saved: the length is known, and the passage
    // being exported stays as it is until the export is done.
    bool canUseSelection() const;
    bool canEditName() const;
    // The busy bar shows while the song is read or the clip exported.
    bool showsProgress() const;
    // "Play", or "Stop" while the preview plays.
    std::string playTitle() const;

    // Reads the song's length, then its waveform.
    void load();
    // Exports the selection as folder/uniqueName.m4a and hands it to onSaved.
    void save(const std::filesystem::path& folder, const std::string& uniqueName);

    std::string autoName() const;
    std::string effectiveName() const;
    // The selection's ends and length as the editor shows them; empty until the length is known.
    std::string selectionReadout() const;

    Window currentWindow() const;
    void centerViewOnSelection();
    // Dragging on the whole-song strip: the selection keeps its length.
    void moveClip(double toCenter);
    // Dragging the selection in the zoomed lane: it keeps its length and stays in the window.
    void move(double toStart);
    void trimStart(double to);
    void trimEnd(double to);

    void startPlayback();
    void stopPlayback(bool silent = false);
    void teardownPlayback();

    // While the monitor runs, handleKey acts on the editor's keys; true when the key is consumed.
    void startKeyMonitor() { keyMonitorActive_ = true; }
    void stopKeyMonitor() { keyMonitorActive_ = false; }
    bool handleKey(const KeyPress& press);

    static std::string describe(ClipError error);
    std::string describe(const SoundClipExporter::ExportError& error) const;
    // "m:ss" of whole seconds, and "m:ss.s" with tenths.
    static std::string mmss(double seconds);
    static std::string mmssTenths(double seconds);

private:
    std::variant<ClipRange, ClipError> parsedRange() const;
    void syncPlayheadToClip();
    void nudge(double by, bool edgeOnly);
    void startPlayTimer();
    void previewStarted(const PlaybackStarted& result, const ClipRange& range);
    void durationLoaded(const SongLength& length);
    void exportFailed(const SoundClipExporter::ExportError& error);
    void changed();
    void failed(const char* message);
    std::string songFileName() const;
    void log(const std::string& line) const;

    std::string source_;
    LogFn log_;
    Services services_;
    SoundClipExporter exporter_;

    double selStart_ = 0;
    double selEnd_ = 3.0;
    double playhead_ = 0;
    std::string nameText_;
    std::string status_ = "Loading\u2026";
    std::optional<double> sourceDuration_;
    bool isExporting_ = false;
    bool isPlaying_ = false;
    bool isLoading_ = false;
    std::vector<float> peaks_;
    Edge activeEdge_ = Edge::end;
    double viewStart_ = 0;

    std::unique_ptr<AudioPlayback> player_;
    Subscription previewStop_;
    // Counts the previews started, so that a late answer to a replaced one is ignored.
    std::uint64_t previewRun_ = 0;
    Subscription playTimer_;
    bool keyMonitorActive_ = false;
    // Background results hold this weakly: they are dropped once the editor is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
