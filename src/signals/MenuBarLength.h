#pragma once

namespace corvale {

// The alpha channel of a rendered glyph, row by row, each value 0 to 1.
struct GlyphBitmap {
    double pointWidth = 0; // the image's width in points; pixels may be more (device scale)
    int pixelWidth = 0;
    int pixelHeight = 0;
    const float* alpha = nullptr; // pixelWidth × pixelHeight values, owned by the caller
};

// Widths of the status item, for trays that show an item wider than tall.
struct MenuBarLength {
    // The glyph's width without the transparent margins symbol images carry, plus one point; the
    // image's width plus two points when nothing is inked or there is nothing to scan.
    static double tight(const GlyphBitmap& image);
    // A badged item: the image's whole width plus one point.
    static double badged(double imageWidth);
};

} // namespace corvale
