#pragma once

#include "library/ClipError.h"
#include "library/ClipRange.h"

#include <variant>

namespace corvale {

// The limits of a clip and the rule that turns a requested passage into one that can be cut.
struct SoundClipper {
    static constexpr double minClipLength = 0.1;
    static constexpr double maxClipLength = 10.0;
    static constexpr double defaultSelection = 3.0;
    // The span of the zoomed waveform lane.
    static constexpr double editorWindow = 15.0;
    static constexpr double keyboardStep = 0.1;

    using Result = std::variant<ClipRange, ClipError>;

    // A start before the song counts as 0; the length is cut to the end of the song and to the
    // longest clip.
    static Result normalizedRange(double start, double length, double sourceDuration);
};

} // namespace corvale
