#pragma once

#include <string>
#include <string_view>

namespace corvale {

// A colour of the flashes and the theme: sRGB components, each 0.0 to 1.0.
struct FlashColor {
    double r = 0;
    double g = 0;
    double b = 0;

    // "#RRGGBB" or "RRGGBB", surrounding blanks allowed; anything else is black. Never fails.
    static FlashColor fromHex(std::string_view hex);
    // "#%02X%02X%02X" of the components times 255, rounded.
    std::string hexString() const;
    // 0.2126 r + 0.7152 g + 0.0722 b of the components as they are, 0 to 1: what picks black or
    // white text on a fill and how dark an accent may be.
    double luminance() const;
    // The same weights over the linearised components, as contrast ratios need them.
    double linearLuminance() const;
    // The contrast ratio of two colours, 1 (none) to 21.
    static double contrast(const FlashColor& a, const FlashColor& b);

    friend bool operator==(const FlashColor&, const FlashColor&) = default;
};

} // namespace corvale
