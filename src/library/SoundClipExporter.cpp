#include "library/SoundClipExporter.h"

#include "library/SoundImporter.h"

#include <cmath>

namespace corvale {

namespace {

double onTimescale(double seconds) {
    return std::round(seconds * SoundClipExporter::timescale) / SoundClipExporter::timescale;
}

std::string unopenable(const std::string& source) {
    switch (SoundImporter::troubleReading(source)) {
    case SoundImporter::FileTrouble::missing:
        return "That file is no longer there - it may have been moved or deleted.";
    case SoundImporter::FileTrouble::unreadable:
        return "That file can't be read - you may not have permission to open it.";
    case SoundImporter::FileTrouble::empty:
        return "That file is empty.";
    case SoundImporter::FileTrouble::none:
        break;
    }
    return "That file isn't audio Corvale can read.";
}

} // namespace

SoundClipExporter::SoundClipExporter(MediaTools& media, BackgroundTasks& tasks)
    : media_(media), tasks_(tasks) {}

void SoundClipExporter::loadDuration(const std::string& path,
                                     std::function<void(SongLength)> completion) {
    MediaTools* media = &media_;
    runForResult(
        tasks_,
        [media, path] {
            auto length = media->duration(path);
            if (length.problem == SongLength::Problem::none &&
                !(std::isfinite(length.seconds) && length.seconds > 0)) {
                length.problem = SongLength::Problem::unknownLength;
            }
            return length;
        },
        std::move(completion),
        SongLength{SongLength::Problem::unknownLength, 0, "the reader stopped unexpectedly"});
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

std::string SoundClipExporter::describe(const SongLength& length, const std::string& source) {
    switch (length.problem) {
    case SongLength::Problem::none:
        return {};
    case SongLength::Problem::cannotOpen:
        return unopenable(source);
    case SongLength::Problem::noAudioTrack:
        return "That file has no audio track to clip.";
    case SongLength::Problem::unknownLength:
        break;
    }
    return "Couldn't read that file's length - it may be unsupported or protected.";
}

std::string SoundClipExporter::describe(const ExportError& error, const std::string& source) {
    switch (error.kind) {
    case ExportError::Kind::protectedContent:
        return "This track is copy-protected (for example, a DRM-protected purchase) and can't be "
               "clipped. Use a file you own - an MP3, WAV, or your own M4A.";
    case ExportError::Kind::noAudioTrack:
        return "That file has no audio track to clip.";
    case ExportError::Kind::cannotOpen:
        return unopenable(source);
    case ExportError::Kind::exportUnavailable:
        return "Couldn't start the audio exporter for that file.";
    case ExportError::Kind::exportFailed:
        return "The clip couldn't be exported: " + error.message;
    }
    return error.message;
}

} // namespace corvale
