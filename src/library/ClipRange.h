#pragma once

namespace corvale {

// A passage of a song, in seconds.
struct ClipRange {
    double start = 0;
    double duration = 0;

    friend bool operator==(const ClipRange&, const ClipRange&) = default;
};

} // namespace corvale
