#pragma once

#include "core/FlashColor.h"

#include <string>
#include <vector>

namespace corvale {

// A popular application set up in one step: its name as its notifications carry it, a distinctive
// built-in sound and a colour.
struct AppPreset {
    std::string appName;
    std::string soundName;
    FlashColor color;
    double volume = 1.0;

    friend bool operator==(const AppPreset&, const AppPreset&) = default;
};

namespace StarterPresets {

// The fixed table, in the order the "Popular apps" pane lists it.
const std::vector<AppPreset>& all();

} // namespace StarterPresets
} // namespace corvale
