#include "core/FlashColor.h"

#include "core/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvale {

FlashColor FlashColor::fromHex(std::string_view hex) {
    std::string text = trimmed(hex);
    std::string_view digits = text;
    if (digits.starts_with('#')) {
        digits.remove_prefix(1);
    }
    if (digits.size() != 6) {
        return {};
    }
    unsigned value = 0;
    for (char c : digits) {
        int d = hexDigitValue(c);
        if (d < 0) {
            return {};
        }
        value = value * 16 + static_cast<unsigned>(d);
    }
    return {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0};
}

std::string FlashColor::hexString() const {
    auto byte = [](double c) {
        return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
    };
    char out[8];
    std::snprintf(out, sizeof out, "#%02X%02X%02X", byte(r), byte(g), byte(b));
    return out;
}

double FlashColor::luminance() const {
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

double FlashColor::linearLuminance() const {
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return FlashColor{linear(r), linear(g), linear(b)}.luminance();
}

double FlashColor::contrast(const FlashColor& a, const FlashColor& b) {
    // Held by value: minmax over temporaries would hand back dangling references.
    const double la = a.linearLuminance();
    const double lb = b.linearLuminance();
    const auto [dark, light] = std::minmax(la, lb);
    return (light + 0.05) / (dark + 0.05);
}

} // namespace corvale
