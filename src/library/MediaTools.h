#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// Why a clip could not be exported.
struct ClipExportFailure {
    // cannotOpen: the source no longer opens as media (moved, deleted, unreadable, damaged).
    enum class Kind { protectedContent, noAudioTrack, cannotOpen, exportUnavailable, exportFailed };
    Kind kind = Kind::exportFailed;
    std::string message; // for exportFailed; the library's reason for cannotOpen
};

// A song's length, or why the clipper cannot use the song.
struct SongLength {
    enum class Problem { none, cannotOpen, noAudioTrack, unknownLength };
    Problem problem = Problem::none;
    double seconds = 0; // finite and above zero when there is no problem
    std::string detail; // the media library's reason, for the log
};

// What the clipper needs from the media services. Every call blocks until done and is safe on any
// thread, so the caller runs them away from the main thread.
class MediaTools {
public:
    using MonoSink = std::function<void(const float* samples, std::size_t count)>;

    virtual ~MediaTools() = default;
    // The file's length; a file without an audio track has none the clipper can use.
    virtual SongLength duration(const std::string& path) = 0;
    // Hands the first audio track to sink in blocks, as mono floats at the track's own rate;
    // false when there is no track or reading it failed.
    virtual bool readMono(const std::string& path, const MonoSink& sink) = 0;
    // Writes [start, start + length) seconds of the source as AAC in an .m4a file at target,
    // replacing it; the target's folder is created. None on success.
    virtual std::optional<ClipExportFailure> exportClip(const std::string& source, double start,
                                                        double length,
                                                        const std::string& target) = 0;
};

} // namespace corvale
