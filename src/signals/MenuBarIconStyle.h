#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// A look of the status icon: the glyph while sounds play and the glyph while they are silenced.
struct MenuBarIconStyle {
    std::string key;
    std::string label;
    std::string onSymbol;
    std::string mutedSymbol;

    static constexpr const char* defaultKey = "bell";

    // Every style, in the order the icon picker lists them.
    static const std::vector<MenuBarIconStyle>& all();
    // The style stored under `key`; the bell for no key and for a key not in the table.
    static const MenuBarIconStyle& forKey(const std::optional<std::string>& key);

    friend bool operator==(const MenuBarIconStyle&, const MenuBarIconStyle&) = default;
};

} // namespace corvale
