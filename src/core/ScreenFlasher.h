#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"

#include <optional>
#include <string>

namespace corvale {

// The visible signals the dispatch starts for an alert: the status icon and the screen flash.
class AlertSignals {
public:
    virtual ~AlertSignals() = default;
    virtual void updateStatus() = 0;
    virtual void flashMenuBarIcon(std::optional<FlashColor> color) = 0;
    virtual void flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                                    const std::string& appName,
                                    std::optional<FlashIntensity> intensity,
                                    std::optional<FlashDuration> duration,
                                    std::optional<int> repeatCount) = 0;
};

// Plays a rule's sound for a notification and logs what it did.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void run(const Rule& rule, const ObservedNotification& notification) = 0;
};

} // namespace corvale
