#pragma once

#include "core/PaneID.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A pane named in text, as the command line and the session bus carry it: the kind's name
// ("general", "recentAlerts", ...) or "app:" followed by the application's name.
std::string paneKey(const PaneID& pane);

// The pane a key names, or none for text that names no pane. The kind's name is matched without
// regard to ASCII case, because people type it; an application's name is kept as given, but must
// not be empty or blank and must be valid UTF-8.
std::optional<PaneID> paneFromKey(std::string_view key);

// The keys of every pane kind, for help texts and error messages ("app:NAME" for the editors).
std::string paneKeyList();

} // namespace corvale
