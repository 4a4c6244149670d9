#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// Which half of the dashboard is shown; the choice is remembered in "popoverLens".
enum class PopoverLens { alerts, sounds };

std::string_view rawValue(PopoverLens lens);
std::optional<PopoverLens> popoverLensFromRaw(std::string_view raw);
// The stored choice when it is a known one; otherwise alerts when there are any, else sounds.
PopoverLens initialPopoverLens(const std::optional<std::string>& stored, bool hasAlerts);

} // namespace corvale
