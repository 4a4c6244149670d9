#pragma once

#include "core/HotKeyModifiers.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A global shortcut: the virtual key code of a physical key (the standard codes of the ANSI
// keyboard) and its modifiers. No shortcut is the absence of a combo, never a special key code.
struct HotKeyCombo {
    std::uint32_t keyCode = 0;
    HotKeyModifiers modifiers;

    friend bool operator==(const HotKeyCombo&, const HotKeyCombo&) = default;

    // F1 to F20, in that order.
    static constexpr std::array<std::uint32_t, 20> functionKeyCodes{
        122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90};

    // Display labels of the keys a shortcut may use: letters and punctuation as on a US layout,
    // arrows, Backspace and Delete by their xkbcommon keysym names.
    static const std::map<std::uint32_t, std::string>& specialLabels();

    static bool isFunctionKey(std::uint32_t keyCode);

    // The label of a key in log lines: its specialLabels entry, else "Key " and the code.
    static std::string keyLabel(std::uint32_t keyCode);

    // The label for a character the keyboard layout produces, or none when the text is empty or
    // begins with a control character, a function-key character, white space or a line break.
    static std::optional<std::string> layoutLabel(std::string_view produced);

    // A function key may stand alone; any other key needs control, option or command.
    bool isRegistrable() const;

    // The modifier names followed by keyLabel of the key, as log lines show a shortcut
    // (Alt+Super+M).
    std::string displayText() const;

    // The stored form: two integers, the key code and the modifiers' raw value; -1 and 0 for none.
    struct Stored {
        std::int64_t keyCode = -1;
        std::int64_t modifiers = 0;
    };
    static Stored stored(const std::optional<HotKeyCombo>& combo);
    // No key code stored, or a negative one, is no shortcut; otherwise each integer's low 32 bits.
    static std::optional<HotKeyCombo> fromStored(std::optional<std::int64_t> keyCode,
                                                 std::optional<std::int64_t> modifiers);
};

} // namespace corvale
