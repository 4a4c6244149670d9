#pragma once

#include "core/FlashValues.h"

#include <vector>

namespace corvale {

// Screen geometry in points, with the origin at the top left and y growing downwards (the
// coordinates of the desktop and of Qt); "top" is therefore the smallest y.
struct FlashPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const FlashPoint&, const FlashPoint&) = default;
};
struct FlashSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const FlashSize&, const FlashSize&) = default;
};
struct FlashRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    friend bool operator==(const FlashRect&, const FlashRect&) = default;
};

// Where the bands and the name label of a flash go on one screen.
struct FlashGeometry {
    // The larger of 5.5 % of the screen's smaller side and 28 points.
    static double band(FlashSize view);
    // 6 % of the screen's smaller side, held within 28 to 84 points.
    static double labelFontSize(FlashSize view);
    // The rounded label around a measured name: padding of 0.75 and 0.45 font sizes.
    static FlashSize labelSize(FlashSize text, double fontSize);
    // The filled rectangles in view coordinates: the whole view for a full-screen flash, else one
    // band per edge (overlapping in the corners).
    static std::vector<FlashRect> fillRects(FlashStyle style, FlashSize view);
    // The label's centre: just inside the band of a single-edge style, the screen's centre
    // otherwise, always clamped so the whole label stays on the screen.
    static FlashPoint namePillCenter(FlashStyle style, FlashRect in, FlashSize pillSize,
                                     double band);
};

} // namespace corvale
