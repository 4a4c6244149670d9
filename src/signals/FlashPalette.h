#pragma once

#include "core/FlashColor.h"

#include <array>
#include <string_view>

namespace corvale {

// The ten swatch colours, also each application's default flash colour.
struct FlashPalette {
    static const std::array<FlashColor, 10>& colors();
    // What people call them, in the same order: "Blue", "Red"...
    static const std::array<const char*, 10>& names();
    // A stable pick by the trimmed, lower-cased name (64-bit FNV-1a of its UTF-8 bytes, modulo 10).
    static FlashColor color(std::string_view forApp);
    // Black on light fills (luminance above 0.55), white otherwise.
    static FlashColor labelTextColor(const FlashColor& fill);
};

} // namespace corvale
