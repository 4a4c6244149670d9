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

    friend bool operator==(const FlashColor&, const FlashColor&) = default;
};

} // namespace corvale
