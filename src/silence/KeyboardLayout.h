#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvale {

// The user's current keyboard layout.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text (UTF-8) the key with this virtual key code produces with no modifier down, or none
    // when there is no layout, no such key or the key produces no text.
    virtual std::optional<std::string> producedCharacter(std::uint32_t keyCode) = 0;
};

} // namespace corvale
