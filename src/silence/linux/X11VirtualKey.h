#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace corvale {

// Where a stored virtual key code sits on an X keyboard: the XKB name of the physical key (the
// same key whatever layout is active) and the keysym it gives on a US layout, which finds the key
// on the rare keymap that does not name its keys the usual way.
struct X11VirtualKey {
    std::uint32_t virtualKeyCode = 0;
    const char* keyName = "";
    std::uint32_t keysym = 0;

    static std::span<const X11VirtualKey> all();
    static std::optional<X11VirtualKey> forVirtualKeyCode(std::uint32_t code);
    static std::optional<std::uint32_t> virtualKeyCodeForKeyName(std::string_view name);
    // Letters match in either case.
    static std::optional<std::uint32_t> virtualKeyCodeForKeysym(std::uint32_t keysym);
};

} // namespace corvale
