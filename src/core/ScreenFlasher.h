#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"

#include <optional>
#include <string>

namespace corvale {

// Flashes the screen for an alert: whole or in edge bands, in a colour, with the app's name.
class ScreenFlasher {
public:
    virtual ~ScreenFlasher() = default;
    virtual void flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                                    const std::string& appName,
                                    std::optional<FlashIntensity> intensity,
                                    std::optional<FlashDuration> duration,
                                    std::optional<int> repeatCount) = 0;
    // Takes a running flash off the screen at once; nothing when none runs.
    virtual void cancelFlash() {}
};

} // namespace corvale
