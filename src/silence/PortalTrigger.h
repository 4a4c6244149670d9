#pragma once

#include "core/HotKeyCombo.h"

#include <optional>
#include <string>

namespace corvale {

// The XKB keysym name of a key a shortcut may use ("M", "equal", "Page_Up"); none for a key we
// have no name for.
std::optional<std::string> keysymName(std::uint32_t keyCode);

// A combo in the desktop portal's shortcut-string form: the modifiers CTRL, ALT, SHIFT and LOGO
// in that order, then the key's XKB keysym name, joined by "+" ("CTRL+ALT+M"). None for a key
// without a keysym name we know.
std::optional<std::string> portalTrigger(const HotKeyCombo& combo);

} // namespace corvale
