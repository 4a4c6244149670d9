#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// Why a clip could not be exported.
struct ClipExportFailure {
    enum class Kind { protectedContent, noAudioTrack, exportUnavailable, exportFailed };
    Kind kind = Kind::exportFailed;
    std::string message; // for exportFailed
};

// What the clipper needs from the media services. Every call blocks until done and is safe on any
// thread, so the caller runs them away from the main thread.
class MediaTools {
public:
    using MonoSink = std::function<void(const float* samples, std::size_t count)>;

    virtual ~MediaTools() = default;
    // The file's length in seconds when it is finite and above zero.
    virtual std::optional<double> duration(const std::string& path) = 0;
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
