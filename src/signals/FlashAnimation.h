#pragma once

#include "core/FlashValues.h"

namespace corvale {

// The resolved timing of one flash: seconds, and the window opacity at the peak.
struct FlashAnimation {
    double fadeIn = 0;
    double hold = 0;
    double fadeOut = 0;
    double peakAlpha = 0;
    int repeatCount = 1;
    double gap = 0.18;

    // Intensity sets the fade-in and the peak (edge bands, covering less, are drawn more opaque);
    // duration sets the hold and the fade-out. A repeat other than 1, 2 or 3 flashes once.
    static FlashAnimation make(FlashStyle style, FlashIntensity intensity, FlashDuration duration,
                               int repeatCount);

    double pulseSeconds() const { return fadeIn + hold + fadeOut; }
    friend bool operator==(const FlashAnimation&, const FlashAnimation&) = default;
};

} // namespace corvale
