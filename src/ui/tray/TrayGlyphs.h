#pragma once

#include "core/FlashColor.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

#include <optional>

namespace corvale {

// How the status icon is drawn at one moment: glyph colour with a halo that keeps it readable on
// light and dark panels alike, and the blink's tint and opacity.
struct TrayLook {
    QColor glyph;
    QColor halo;
    std::optional<FlashColor> tint;
    double opacity = 1.0;

    // Dark glyph with a light halo for a light palette, and the reverse for a dark one.
    static TrayLook forPalette(bool darkPalette);

    bool operator==(const TrayLook&) const = default;
};

// Our own glyphs for the symbol names the status icon uses, drawn from SVG at the exact pixel size
// asked for, so they stay crisp at every tray size.
struct TrayGlyphs {
    // Whether we have a glyph of that name (".slash" names are drawn from their base glyph).
    static bool has(const QString& symbol);
    // The glyph's coverage in black on transparent; a null image for an unknown name. Masks are
    // kept once drawn: parsing the SVG again for every tray update is most of its cost.
    static QImage mask(const QString& symbol, int pixels);
    // The icon image: the glyph (the bell for an unknown name) and, with a badge, a red pill with
    // white bold text in the top-right corner of the square. Null when no glyph can be drawn.
    static QImage menuBarImage(const QString& symbol, const QString& badge, int pixels,
                               const TrayLook& look, qreal deviceScale = 1.0);
    // The red badge pill with its text over the glyph image, kept within the square.
    static void composeBadgedImage(QImage& glyphImage, const QString& badge, int pixels);
    // Every tray size at once, so the tray picks the pixels it draws at.
    static QIcon icon(const QString& symbol, const QString& badge, const TrayLook& look);
};

} // namespace corvale
