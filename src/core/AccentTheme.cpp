#include "core/AccentTheme.h"

#include <algorithm>
#include <cmath>

namespace corvale {
namespace {

struct Hsv {
    double h, s, v;
};

Hsv toHsv(const FlashColor& c) {
    double max = std::max({c.r, c.g, c.b});
    double min = std::min({c.r, c.g, c.b});
    double delta = max - min;
    double h = 0;
    if (delta > 0) {
        if (max == c.r) {
            h = 60.0 * std::fmod((c.g - c.b) / delta, 6.0);
        } else if (max == c.g) {
            h = 60.0 * ((c.b - c.r) / delta + 2.0);
        } else {
            h = 60.0 * ((c.r - c.g) / delta + 4.0);
        }
    }
    if (h < 0) {
        h += 360.0;
    }
    return {h, max > 0 ? delta / max : 0.0, max};
}

FlashColor fromHsv(const Hsv& hsv) {
    double c = hsv.v * hsv.s;
    double hp = std::fmod(hsv.h, 360.0) / 60.0;
    double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1) {
        r = c, g = x;
    } else if (hp < 2) {
        r = x, g = c;
    } else if (hp < 3) {
        g = c, b = x;
    } else if (hp < 4) {
        g = x, b = c;
    } else if (hp < 5) {
        r = x, b = c;
    } else {
        r = c, b = x;
    }
    double m = hsv.v - c;
    return {r + m, g + m, b + m};
}

} // namespace

std::string AccentTheme::storedText() const {
    switch (kind) {
    case Kind::brand:
        return "brand";
    case Kind::system:
        return "system";
    case Kind::custom:
        return "custom:" + color.hexString();
    }
    return "brand";
}

AccentTheme AccentTheme::fromStoredText(std::string_view text) {
    if (text == "system") {
        return system();
    }
    if (text.starts_with("custom:")) {
        return custom(guarded(FlashColor::fromHex(text.substr(7))));
    }
    return brand();
}

FlashColor AccentTheme::guarded(FlashColor color) {
    Hsv hsv = toHsv(color);
    double distance = std::fabs(hsv.h - 35.04);
    distance = std::min(distance, 360.0 - distance);
    if (hsv.s > 0.45 && hsv.v > 0.5 && distance <= 18.0) {
        hsv.h = std::fmod(hsv.h + 32.0, 360.0);
        color = fromHsv(hsv);
    }
    for (int step = 0; step < 30 && color.luminance() < 0.22 && hsv.v < 1.0; ++step) {
        hsv.v = std::min(1.0, hsv.v + 0.04);
        color = fromHsv(hsv);
    }
    return color;
}

} // namespace corvale
