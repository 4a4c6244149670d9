#pragma once

#include "core/FlashColor.h"

#include <string>
#include <string_view>

namespace corvale {

// The colour that themes the dropdown: the brand colour, the desktop's accent, or a custom colour.
struct AccentTheme {
    enum class Kind { brand, system, custom };
    Kind kind = Kind::brand;
    FlashColor color; // meaningful for custom only

    static AccentTheme brand() { return {}; }
    static AccentTheme system() { return {Kind::system, {}}; }
    static AccentTheme custom(FlashColor c) { return {Kind::custom, c}; }

    // The stored text: "brand", "system" or "custom:#RRGGBB".
    std::string storedText() const;
    // Reads the stored text; a custom colour comes back through the guard.
    static AccentTheme fromStoredText(std::string_view text);
    // Keeps a custom colour readable: away from the brand's orange and not too dark.
    static FlashColor guarded(FlashColor color);

    friend bool operator==(const AccentTheme&, const AccentTheme&) = default;
};

} // namespace corvale
