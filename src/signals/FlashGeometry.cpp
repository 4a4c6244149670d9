#include "signals/FlashGeometry.h"

#include "signals/FlashStyleInfo.h"

#include <algorithm>

namespace corvale {

double FlashGeometry::band(FlashSize view) {
    return std::max(0.055 * std::min(view.width, view.height), 28.0);
}

double FlashGeometry::labelFontSize(FlashSize view) {
    return std::clamp(0.06 * std::min(view.width, view.height), 28.0, 84.0);
}

FlashSize FlashGeometry::labelSize(FlashSize text, double fontSize) {
    return {text.width + 2 * 0.75 * fontSize, text.height + 2 * 0.45 * fontSize};
}

std::vector<FlashRect> FlashGeometry::fillRects(FlashStyle style, FlashSize view) {
    const double w = view.width;
    const double h = view.height;
    const double b = band(view);
    if (style == FlashStyle::fullScreen) {
        return {{0, 0, w, h}};
    }
    std::vector<FlashRect> rects;
    for (FlashEdge edge : FlashStyleInfo::edges(style)) {
        switch (edge) {
        case FlashEdge::top:
            rects.push_back({0, 0, w, b});
            break;
        case FlashEdge::bottom:
            rects.push_back({0, h - b, w, b});
            break;
        case FlashEdge::left:
            rects.push_back({0, 0, b, h});
            break;
        case FlashEdge::right:
            rects.push_back({w - b, 0, b, h});
            break;
        }
    }
    return rects;
}

FlashPoint FlashGeometry::namePillCenter(FlashStyle style, FlashRect in, FlashSize pillSize,
                                         double band) {
    const double inset = std::max(0.6 * band, 12.0);
    FlashPoint c{in.x + in.width / 2, in.y + in.height / 2};
    switch (style) {
    case FlashStyle::edgeTop:
        c.y = in.y + band + inset + pillSize.height / 2;
        break;
    case FlashStyle::edgeBottom:
        c.y = in.bottom() - band - inset - pillSize.height / 2;
        break;
    case FlashStyle::edgeLeft:
        c.x = in.x + band + inset + pillSize.width / 2;
        break;
    case FlashStyle::edgeRight:
        c.x = in.right() - band - inset - pillSize.width / 2;
        break;
    default:
        break;
    }
    // std::clamp would be undefined for a label wider than the screen; the low bound wins there.
    c.x = std::max(in.x + pillSize.width / 2, std::min(c.x, in.right() - pillSize.width / 2));
    c.y = std::max(in.y + pillSize.height / 2, std::min(c.y, in.bottom() - pillSize.height / 2));
    return c;
}

} // namespace corvale
