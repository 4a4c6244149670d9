#include "library/SoundClipExporter.h"

#include <cmath>

namespace corvale {

namespace {

double onTimescale(double seconds) {
    return std::round(seconds * SoundClipExporter::timescale) / SoundClipExporter::timescale;
}

} // namespace

SoundClipExporter::SoundClipExporter(MediaTools& media, BackgroundTasks& tasks)
    : media_(media), tasks_(tasks) {}

void SoundClipExporter::loadDuration(const std::string& path,
                                     std::function<void(std::optional<double>)> completion) {
    MediaTools* media = &media_;
    runForResult(
        tasks_,
        [media, path]() -> std::optional<double> {
            auto seconds = media->duration(path);
            if (seconds && !(std::isfinite(*seconds) && *seconds > 0)) {
                return std::nullopt;
            }
            return seconds;
        },
        std::move(completion), std::optional<double>());
}

void SoundClipExporter::exportClip(
    const std::string& source, ClipRange range, const std::string& target,
    std::function<void(const std::optional<ExportError>&)> completion) {
    // The work holds the media tools, not the exporter: the editor may close while it runs.
    MediaTools* media = &media_;
    runForResult(
        tasks_, [media, source, range, target] { return runExport(*media, source, range, target); },
        std::move(completion),
        std::optional<ExportError>(
            ExportError{ExportError::Kind::exportFailed, "the exporter stopped unexpectedly"}));
}

std::optional<SoundClipExporter::ExportError>
SoundClipExporter::runExport(MediaTools& media, const std::string& source, ClipRange range,
                             const std::string& target) {
    return media.exportClip(source, onTimescale(range.start), onTimescale(range.duration), target);
}

std::string SoundClipExporter::describe(const ExportError& error) {
    switch (error.kind) {
    case ExportError::Kind::protectedContent:
        return "This track is copy-protected (for example, a DRM-protected purchase) and can't be "
               "clipped. Use a file you own - an MP3, WAV, or your own M4A.";
    case ExportError::Kind::noAudioTrack:
        return "That file has no audio track to clip.";
    case ExportError::Kind::exportUnavailable:
        return "Couldn't start the audio exporter for that file.";
    case ExportError::Kind::exportFailed:
        return "The clip couldn't be exported: " + error.message;
    }
    return error.message;
}

} // namespace corvale
