#include "library/SoundClipper.h"

#include <algorithm>

namespace corvale {

namespace {
// Selections built by adding and subtracting tenths land a hair below 0.1 s; that is still the
// shortest clip, not an empty one.
constexpr double lengthTolerance = 1e-9;
} // namespace

SoundClipper::Result SoundClipper::normalizedRange(double start, double length,
                                                   double sourceDuration) {
    // Written so that NaN falls into the refusals rather than through them.
    if (!(sourceDuration > minClipLength)) {
        return ClipError::sourceTooShort;
    }
    if (!(start < sourceDuration)) {
        return ClipError::startOutOfRange;
    }
    const double from = std::max(start, 0.0);
    const double usable = std::min(length, sourceDuration - from);
    if (usable > maxClipLength) {
        return ClipRange{from, maxClipLength};
    }
    if (usable >= minClipLength - lengthTolerance) {
        return ClipRange{from, usable};
    }
    return ClipError::emptySelection;
}

} // namespace corvale
