#include "signals/MenuBarLength.h"

#include <algorithm>
#include <cmath>

namespace corvale {

double MenuBarLength::tight(const GlyphBitmap& image) {
    const double fallback = std::ceil(image.pointWidth) + 2.0;
    if (image.pointWidth <= 0 || image.pixelWidth <= 0 || image.pixelHeight <= 0 || !image.alpha) {
        return fallback;
    }
    int minX = -1;
    int maxX = -1;
    for (int x = 0; x < image.pixelWidth; ++x) {
        for (int y = 0; y < image.pixelHeight; ++y) {
            if (image.alpha[y * image.pixelWidth + x] > 0.01f) {
                if (minX < 0) {
                    minX = x;
                }
                maxX = x;
                break;
            }
        }
    }
    if (minX < 0) {
        return fallback;
    }
    const double scale = image.pixelWidth / image.pointWidth;
    const int inset = std::min(minX, image.pixelWidth - 1 - maxX);
    return std::ceil(image.pointWidth - 2.0 * inset / scale) + 1.0;
}

double MenuBarLength::badged(double imageWidth) {
    return std::trunc(imageWidth) + 1.0;
}

} // namespace corvale
