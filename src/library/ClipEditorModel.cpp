#include "library/ClipEditorModel.h"

#include "core/Text.h"
#include "library/SoundClipper.h"
#include "library/SoundImporter.h"
#include "library/WaveformLoader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvale {

namespace {

// v brought into [lo, hi]; hi wins when the bounds cross.
double limited(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

// A number as the log writes it: the shortest exact decimal, always with a fractional part.
std::string plainDecimal(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".en") == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string oneDecimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    return buffer;
}

// The waveform gets 20 bars per second of song, 1200 to 4000 in all.
int bucketCountFor(double duration) {
    return static_cast<int>(std::clamp(std::trunc(duration * 20), 1200.0, 4000.0));
}

constexpr const char* maxLengthText = "10";

// Times shown to people: finite, and small enough to round into an integer.
double readable(double seconds) {
    return std::isfinite(seconds) ? std::clamp(seconds, -1e9, 1e9) : 0.0;
}

} // namespace

ClipEditorModel::ClipEditorModel(std::string source, LogFn log, Services services)
    : source_(std::move(source)), log_(std::move(log)), services_(services),
      exporter_(services.media, services.background) {}

ClipEditorModel::~ClipEditorModel() {
    teardownPlayback();
}

void ClipEditorModel::setNameText(std::string text) {
    nameText_ = std::move(text);
    changed();
}

bool ClipEditorModel::showsSongStrip() const {
    return sourceDuration_ && *sourceDuration_ > songStripThreshold;
}

std::string ClipEditorModel::songTitle() const {
    if (!sourceDuration_) {
        return songFileName();
    }
    return songFileName() + "  \u00B7  " + mmss(*sourceDuration_);
}

bool ClipEditorModel::canUseSelection() const {
    return sourceDuration_.has_value() && !isExporting_;
}

bool ClipEditorModel::canEditName() const {
    return !isExporting_;
}

bool ClipEditorModel::showsProgress() const {
    return isLoading_ || isExporting_;
}

std::string ClipEditorModel::playTitle() const {
    return isPlaying_ ? "Stop" : "Play";
}

void ClipEditorModel::load() {
    isLoading_ = true;
    std::weak_ptr<bool> alive = alive_;
    exporter_.loadDuration(source_, [this, alive](const SongLength& length) {
        if (!alive.expired()) {
            durationLoaded(length);
        }
    });
}

void ClipEditorModel::durationLoaded(const SongLength& length) {
    if (length.problem != SongLength::Problem::none) {
        isLoading_ = false;
        status_ = SoundClipExporter::describe(length, source_);
        if (!length.detail.empty()) {
            log("[clip] couldn't open " + songFileName() + ": " + length.detail);
        }
        changed();
        failed(loadFailedMessage);
        return;
    }
    const double d = length.seconds;
    sourceDuration_ = d;
    selStart_ = 0;
    selEnd_ = limited(d, SoundClipper::minClipLength, SoundClipper::defaultSelection);
    playhead_ = selStart_;
    centerViewOnSelection();
    if (showsSongStrip()) {
        status_ = std::string("Top bar = where your clip sits in the song (drag it to move) \u00B7 "
                              "below, drag the ends to trim (clips up to ") +
                  maxLengthText + " s).";
    } else {
        status_ = std::string("Drag the ends to trim, the middle to move (clips up to ") +
                  maxLengthText + " s).";
    }
    changed();

    const int buckets = bucketCountFor(d);
    MediaTools* media = &services_.media;
    std::weak_ptr<bool> alive = alive_;
    runForResult(
        services_.background,
        [media, path = source_, buckets, d] {
            return WaveformLoader::peaks(*media, path, buckets, d);
        },
        [this, alive](std::optional<std::vector<float>> peaks) {
            if (alive.expired()) {
                return;
            }
            isLoading_ = false;
            // A failed waveform leaves the lane without bars; the editor works without them.
            if (peaks) {
                peaks_ = std::move(*peaks);
            }
            changed();
        },
        std::optional<std::vector<float>>());
}

std::variant<ClipRange, ClipError> ClipEditorModel::parsedRange() const {
    if (!sourceDuration_) {
        return ClipError::sourceTooShort;
    }
    return SoundClipper::normalizedRange(selStart_, selEnd_ - selStart_, *sourceDuration_);
}

std::string ClipEditorModel::autoName() const {
    const std::string base = SoundImporter::nameWithoutExtension(source_);
    const auto range = parsedRange();
    if (const auto* r = std::get_if<ClipRange>(&range)) {
        return base + " (" + mmss(r->start) + "\u2013" + mmss(r->start + r->duration) + ")";
    }
    return base;
}

std::string ClipEditorModel::effectiveName() const {
    std::string name = trimmed(nameText_);
    return name.empty() ? autoName() : name;
}

std::string ClipEditorModel::selectionReadout() const {
    if (!sourceDuration_) {
        return {};
    }
    return mmssTenths(selStart_) + " \u2013 " + mmssTenths(selEnd_) + "  \u00B7  " +
           oneDecimal(selEnd_ - selStart_) + " s";
}

ClipEditorModel::Window ClipEditorModel::currentWindow() const {
    if (!sourceDuration_) {
        return {0, 0};
    }
    const double d = *sourceDuration_;
    const double span = std::min(d, SoundClipper::editorWindow);
    return {limited(viewStart_, 0, d - span), span};
}

void ClipEditorModel::centerViewOnSelection() {
    if (!sourceDuration_) {
        return;
    }
    const double d = *sourceDuration_;
    const double span = std::min(d, SoundClipper::editorWindow);
    viewStart_ = limited((selStart_ + selEnd_) / 2 - span / 2, 0, d - span);
    changed();
}

void ClipEditorModel::moveClip(double toCenter) {
    if (!sourceDuration_ || !std::isfinite(toCenter)) {
        return;
    }
    const double length = selEnd_ - selStart_;
    const double half = length / 2;
    const double centre = limited(toCenter, half, *sourceDuration_ - half);
    selStart_ = centre - half;
    selEnd_ = centre + half;
    centerViewOnSelection();
    syncPlayheadToClip();
    changed();
}

void ClipEditorModel::move(double toStart) {
    if (!sourceDuration_ || !std::isfinite(toStart)) {
        return;
    }
    const double length = selEnd_ - selStart_;
    const auto window = currentWindow();
    const double start =
        limited(toStart, window.start, std::max(window.start, window.start + window.span - length));
    selStart_ = start;
    selEnd_ = start + length;
    syncPlayheadToClip();
    changed();
}

void ClipEditorModel::trimStart(double to) {
    if (!sourceDuration_ || !std::isfinite(to)) {
        return;
    }
    const double lo = std::max(selEnd_ - SoundClipper::maxClipLength, 0.0);
    const double hi = std::max(selEnd_ - SoundClipper::minClipLength, lo);
    selStart_ = limited(to, lo, hi);
    activeEdge_ = Edge::start;
    syncPlayheadToClip();
    changed();
}

void ClipEditorModel::trimEnd(double to) {
    if (!sourceDuration_ || !std::isfinite(to)) {
        return;
    }
    const double lo = selStart_ + SoundClipper::minClipLength;
    const double hi =
        std::max(lo, std::min(selStart_ + SoundClipper::maxClipLength, *sourceDuration_));
    selEnd_ = limited(to, lo, hi);
    activeEdge_ = Edge::end;
    syncPlayheadToClip();
    changed();
}

void ClipEditorModel::syncPlayheadToClip() {
    if (!isPlaying_) {
        playhead_ = selStart_;
    }
}

void ClipEditorModel::nudge(double by, bool edgeOnly) {
    if (!sourceDuration_) {
        return;
    }
    if (!edgeOnly) {
        move(selStart_ + by);
    } else if (activeEdge_ == Edge::start) {
        trimStart(selStart_ + by);
    } else {
        trimEnd(selEnd_ + by);
    }
}

bool ClipEditorModel::handleKey(const KeyPress& press) {
    if (!keyMonitorActive_ || press.textFieldHasFocus) {
        return false;
    }
    switch (press.key) {
    case Key::right:
        nudge(SoundClipper::keyboardStep, press.shift);
        return true;
    case Key::left:
        nudge(-SoundClipper::keyboardStep, press.shift);
        return true;
    case Key::space:
        // Holding space down toggles once, not on every repeat.
        if (!press.isRepeat) {
            if (isPlaying_) {
                stopPlayback();
            } else {
                startPlayback();
            }
        }
        return true;
    case Key::other:
        break;
    }
    return false;
}

void ClipEditorModel::startPlayback() {
    const auto parsed = parsedRange();
    if (const auto* error = std::get_if<ClipError>(&parsed)) {
        status_ = describe(*error);
        log("[clip] play rejected: " + status_);
        changed();
        return;
    }
    const ClipRange range = std::get<ClipRange>(parsed);
    // One preview at a time: a new start replaces the one playing.
    stopPlayback(true);
    isPlaying_ = true;
    playhead_ = range.start;
    // The playhead waits at the clip's start until the sound is heard.
    startPlayTimer();
    const auto run = ++previewRun_;
    status_ = "Playing " + mmss(range.start) + "\u2013" + mmss(range.start + range.duration) +
              " (" + oneDecimal(range.duration) + " s)\u2026";
    std::weak_ptr<bool> alive = alive_;
    auto player = services_.engine.start(source_, 1.0f, range.start, 0,
                                         [this, alive, range, run](const PlaybackStarted& result) {
                                             if (!alive.expired() && run == previewRun_) {
                                                 previewStarted(result, range);
                                             }
                                         },
                                         {});
    // A start that failed at once has already said so.
    if (isPlaying_) {
        player_ = std::move(player);
    }
    changed();
}

void ClipEditorModel::previewStarted(const PlaybackStarted& result, const ClipRange& range) {
    if (result.error.empty()) {
        log("[clip] play " + songFileName() + " @ " + plainDecimal(range.start) + "s for " +
            plainDecimal(range.duration) + "s");
        // The clip's length counts from when the sound is heard, not from the request.
        if (isPlaying_) {
            const auto length = Millis(std::llround(range.duration * 1000));
            previewStop_ = services_.scheduler.after(length, [this] { stopPlayback(); });
        }
        return;
    }
    teardownPlayback();
    playhead_ = selStart_;
    if (result.fileError) {
        status_ = "Couldn't play that file.";
        log("[clip] play failed to open " + songFileName() + ": " + result.error);
    } else {
        status_ = "Couldn't start playback of that file.";
    }
    changed();
}

void ClipEditorModel::startPlayTimer() {
    playTimer_ = services_.scheduler.every(playheadInterval, [this] {
        if (player_ && player_->isPlaying()) {
            playhead_ = player_->position();
            changed();
        } else {
            stopPlayback();
        }
    });
}

void ClipEditorModel::stopPlayback(bool silent) {
    previewStop_.reset();
    if (isPlaying_) {
        playTimer_.reset();
        if (player_) {
            player_->stop();
            player_.reset();
        }
        isPlaying_ = false;
        playhead_ = selStart_;
    }
    if (!silent && sourceDuration_) {
        status_ =
            "Track " + mmss(*sourceDuration_) + " - drag the ends to trim, the middle to move.";
    }
    changed();
}

void ClipEditorModel::teardownPlayback() {
    previewStop_.reset();
    playTimer_.reset();
    player_.reset();
    isPlaying_ = false;
}

void ClipEditorModel::save(const std::filesystem::path& folder, const std::string& uniqueName) {
    // One export at a time: a second press while exporting would only make a twin.
    if (isExporting_) {
        return;
    }
    const auto parsed = parsedRange();
    if (const auto* error = std::get_if<ClipError>(&parsed)) {
        status_ = describe(*error);
        changed();
        return;
    }
    const ClipRange range = std::get<ClipRange>(parsed);
    isExporting_ = true;
    status_ = "Exporting clip\u2026";
    const std::filesystem::path target = folder / (uniqueName + ".m4a");
    // Named now: the name then matches the passage exported, whatever is edited meanwhile.
    const std::string name = effectiveName();
    changed();

    std::weak_ptr<bool> alive = alive_;
    exporter_.exportClip(source_, range, target.string(),
                         [this, alive, range, target,
                          name](const std::optional<SoundClipExporter::ExportError>& error) {
                             // A clip nobody will use is not left in the sound folder.
                             auto discard = [&target] {
                                 std::error_code ec;
                                 std::filesystem::remove(target, ec);
                             };
                             if (alive.expired()) {
                                 if (!error) {
                                     discard();
                                 }
                                 return;
                             }
                             isExporting_ = false;
                             if (error) {
                                 exportFailed(*error);
                                 return;
                             }
                             log("[clip] exported " + songFileName() + " [" + mmss(range.start) +
                                 "+" + oneDecimal(range.duration) + "s] \u2192 " +
                                 target.filename().string());
                             changed();
                             if (onSaved) {
                                 onSaved(target, name);
                             } else {
                                 discard();
                             }
                         });
}

std::string ClipEditorModel::describe(ClipError error) {
    return corvale::describe(error);
}

void ClipEditorModel::exportFailed(const SoundClipExporter::ExportError& error) {
    status_ = describe(error);
    // The library's reason for a source that no longer opens stays in the log.
    const bool detailed =
        error.kind == SoundClipExporter::ExportError::Kind::cannotOpen && !error.message.empty();
    log("[clip] export failed for " + songFileName() + ": " + status_ +
        (detailed ? " (" + error.message + ")" : std::string()));
    changed();
    failed(exportFailedMessage);
}

std::string ClipEditorModel::describe(const SoundClipExporter::ExportError& error) const {
    return SoundClipExporter::describe(error, source_);
}

std::string ClipEditorModel::mmss(double seconds) {
    const long long whole = std::llround(readable(seconds));
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", whole / 60, whole % 60);
    return buffer;
}

std::string ClipEditorModel::mmssTenths(double seconds) {
    // Rounded to tenths before splitting, so 59.97 reads "1:00.0" rather than "0:60.0".
    const long long tenths = std::llround(readable(seconds) * 10);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%lld:%04.1f", tenths / 600,
                  static_cast<double>(tenths % 600) / 10.0);
    return buffer;
}

void ClipEditorModel::changed() {
    if (onChange) {
        onChange();
    }
}

void ClipEditorModel::failed(const char* message) {
    if (onFailure) {
        onFailure(message, status_);
    }
}

std::string ClipEditorModel::songFileName() const {
    return std::filesystem::path(source_).filename().string();
}

void ClipEditorModel::log(const std::string& line) const {
    if (log_) {
        log_(line);
    }
}

} // namespace corvale
