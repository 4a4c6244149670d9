#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "signals/FlashGeometry.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvale {

// What one overlay window draws: bands or fill in `fill`, and the name label (none when empty).
struct OverlayContent {
    FlashColor fill;
    FlashColor textColor;
    FlashStyle style = FlashStyle::fullScreen;
    std::string name;
};

// One click-through, non-activating, always-on-top window covering a screen. It is taken off the
// screen when destroyed.
class OverlayWindow {
public:
    virtual ~OverlayWindow() = default;
};

// The desktop's screens and the overlay windows of the screen flash.
class OverlayHost {
public:
    virtual ~OverlayHost() = default;
    // The screens attached now, in the desktop's order, as frames in global coordinates.
    virtual std::vector<FlashRect> screens() = 0;
    // A window covering `frame` exactly, shown at opacity 0.
    virtual std::unique_ptr<OverlayWindow> createOverlay(const FlashRect& frame,
                                                         const OverlayContent& content) = 0;
    // Animates the opacity of every window, from where it is to `target`, over `seconds`, as one
    // group; `done` runs once afterwards on the main thread, even for an empty group.
    virtual void animateOpacity(const std::vector<OverlayWindow*>& windows, double target,
                                double seconds, std::function<void()> done) = 0;
};

} // namespace corvale
