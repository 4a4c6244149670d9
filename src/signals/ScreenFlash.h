#pragma once

#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/Scheduler.h"
#include "signals/FlashAnimation.h"
#include "signals/OverlayHost.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The global flash settings that a rule's absent values fall back to.
struct FlashDefaults {
    FlashIntensity intensity = FlashIntensity::normal;
    FlashDuration duration = FlashDuration::normal;
    int repeat = 1;
};

// Flashes every screen for an alert: one overlay per screen, faded in and out in pulses. A new
// flash replaces a running one at once; a generation counter keeps late steps of the old one from
// touching the new one's windows.
class ScreenFlash {
public:
    ScreenFlash(Scheduler& scheduler, OverlayHost& host, std::function<FlashDefaults()> defaults);
    ~ScreenFlash();
    ScreenFlash(const ScreenFlash&) = delete;
    ScreenFlash& operator=(const ScreenFlash&) = delete;

    // No colour: white, without a label. Returns at once; the pulses run on.
    void flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                            const std::string& appName, std::optional<FlashIntensity> intensity,
                            std::optional<FlashDuration> duration, std::optional<int> repeatCount);
    // Takes every overlay off the screen at once.
    void removeFlashOverlays();

    std::size_t overlayCount() const { return flashOverlays_.size(); }
    unsigned long long flashGeneration() const { return flashGeneration_; }

private:
    void runFlashPulse(unsigned long long generation, FlashAnimation anim, int remaining);
    std::vector<OverlayWindow*> windows() const;

    Scheduler& scheduler_;
    OverlayHost& host_;
    std::function<FlashDefaults()> defaults_;
    std::vector<std::unique_ptr<OverlayWindow>> flashOverlays_;
    unsigned long long flashGeneration_ = 0;
    Subscription wait_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
