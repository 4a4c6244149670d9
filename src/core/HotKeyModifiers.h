#pragma once

#include <cstdint>
#include <string>

namespace corvale {

// The modifier keys of a global shortcut, as the bits the preferences store.
struct HotKeyModifiers {
    std::uint32_t rawValue = 0;

    static const HotKeyModifiers control;
    static const HotKeyModifiers option;
    static const HotKeyModifiers shift;
    static const HotKeyModifiers command;

    constexpr bool contains(HotKeyModifiers member) const {
        return (rawValue & member.rawValue) == member.rawValue;
    }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr HotKeyModifiers operator|(HotKeyModifiers other) const {
        return {rawValue | other.rawValue};
    }
    constexpr HotKeyModifiers& operator|=(HotKeyModifiers other) {
        rawValue |= other.rawValue;
        return *this;
    }
    friend constexpr bool operator==(HotKeyModifiers, HotKeyModifiers) = default;

    // The desktop's names of the members present, each followed by "+", always in the order
    // control, option, shift, command ("Ctrl+Alt+Shift+Super+"); PC keyboards have no glyphs.
    std::string displayString() const;
};

inline constexpr HotKeyModifiers HotKeyModifiers::control{1};
inline constexpr HotKeyModifiers HotKeyModifiers::option{2};
inline constexpr HotKeyModifiers HotKeyModifiers::shift{4};
inline constexpr HotKeyModifiers HotKeyModifiers::command{8};

} // namespace corvale
