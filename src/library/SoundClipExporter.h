#pragma once

#include "library/BackgroundTasks.h"
#include "library/ClipRange.h"
#include "library/MediaTools.h"

#include <functional>
#include <optional>
#include <string>

namespace corvale {

// Reads a song's length and cuts a passage of it into an AAC ".m4a" file, in the background.
// Completions run on the main thread.
class SoundClipExporter {
public:
    using ExportError = ClipExportFailure;
    // Times are handed to the encoder in steps of 1/600 s.
    static constexpr double timescale = 600;

    SoundClipExporter(MediaTools& media, BackgroundTasks& tasks);

    // The length, when it is finite and above zero; otherwise why there is none.
    void loadDuration(const std::string& path, std::function<void(SongLength)> completion);
    // Writes the passage to target (its folder is created, an older file there replaced); none on
    // success. A failed export leaves no file at target.
    void exportClip(const std::string& source, ClipRange range, const std::string& target,
                    std::function<void(const std::optional<ExportError>&)> completion);

    // The export itself; blocks, so it belongs on a background thread.
    static std::optional<ExportError> runExport(MediaTools& media, const std::string& source,
                                                ClipRange range, const std::string& target);

    // What went wrong, in the user's words. A source that does not open is looked at again, so a
    // file moved, made unreadable or emptied while the editor was open is told apart from one
    // that is not media.
    static std::string describe(const ExportError& error, const std::string& source);
    static std::string describe(const SongLength& length, const std::string& source);

private:
    MediaTools& media_;
    BackgroundTasks& tasks_;
};

} // namespace corvale
