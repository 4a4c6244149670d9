#include "signals/ScreenFlash.h"

#include "signals/FlashPalette.h"

#include <chrono>

namespace corvale {
namespace {

Millis millis(double seconds) {
    return std::chrono::round<Millis>(std::chrono::duration<double>(seconds));
}

} // namespace

ScreenFlash::ScreenFlash(Scheduler& scheduler, OverlayHost& host,
                         std::function<FlashDefaults()> defaults)
    : scheduler_(scheduler), host_(host), defaults_(std::move(defaults)) {}

ScreenFlash::~ScreenFlash() {
    *alive_ = false;
}

void ScreenFlash::flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                                     const std::string& appName,
                                     std::optional<FlashIntensity> intensity,
                                     std::optional<FlashDuration> duration,
                                     std::optional<int> repeatCount) {
    removeFlashOverlays();
    const auto generation = ++flashGeneration_;

    OverlayContent content;
    content.fill = color.value_or(FlashColor{1, 1, 1});
    content.name = color ? appName : std::string();
    content.textColor = FlashPalette::labelTextColor(content.fill);
    content.style = style;
    for (const auto& frame : host_.screens()) {
        if (auto window = host_.createOverlay(frame, content)) {
            flashOverlays_.push_back(std::move(window));
        }
    }

    const FlashDefaults globals = defaults_ ? defaults_() : FlashDefaults{};
    const auto anim = FlashAnimation::make(style, intensity.value_or(globals.intensity),
                                           duration.value_or(globals.duration),
                                           repeatCount.value_or(globals.repeat));
    if (generation != flashGeneration_) {
        return;
    }
    runFlashPulse(generation, anim, anim.repeatCount);
}

void ScreenFlash::removeFlashOverlays() {
    wait_.reset();
    flashOverlays_.clear();
}

std::vector<OverlayWindow*> ScreenFlash::windows() const {
    std::vector<OverlayWindow*> out;
    for (const auto& window : flashOverlays_) {
        out.push_back(window.get());
    }
    return out;
}

void ScreenFlash::runFlashPulse(unsigned long long generation, FlashAnimation anim, int remaining) {
    std::weak_ptr<bool> alive = alive_;
    auto fadeOut = [this, alive, generation, anim, remaining] {
        if (!(!alive.expired() && generation == flashGeneration_)) {
            return;
        }
        host_.animateOpacity(
            windows(), 0.0, anim.fadeOut, [this, alive, generation, anim, remaining] {
                if (!(!alive.expired() && generation == flashGeneration_)) {
                    return;
                }
                if (remaining >= 2) {
                    wait_ = scheduler_.after(
                        millis(anim.gap), [this, alive, generation, anim, remaining] {
                            if ((!alive.expired() && generation == flashGeneration_)) {
                                runFlashPulse(generation, anim, remaining - 1);
                            }
                        });
                } else {
                    removeFlashOverlays();
                }
            });
    };
    host_.animateOpacity(windows(), anim.peakAlpha, anim.fadeIn,
                         [this, alive, generation, anim, fadeOut] {
                             if (!(!alive.expired() && generation == flashGeneration_)) {
                                 return;
                             }
                             if (anim.hold > 0) {
                                 wait_ = scheduler_.after(millis(anim.hold), fadeOut);
                             } else {
                                 fadeOut();
                             }
                         });
}

} // namespace corvale
