#include "signals/FlashAnimation.h"

namespace corvale {

FlashAnimation FlashAnimation::make(FlashStyle style, FlashIntensity intensity,
                                    FlashDuration duration, int repeatCount) {
    FlashAnimation anim;
    const bool full = style == FlashStyle::fullScreen;
    switch (intensity) {
    case FlashIntensity::gentle:
        anim.fadeIn = 0.35;
        anim.peakAlpha = full ? 0.3 : 0.6;
        break;
    case FlashIntensity::normal:
        anim.fadeIn = 0.08;
        anim.peakAlpha = full ? 0.5 : 0.85;
        break;
    case FlashIntensity::strong:
        anim.fadeIn = 0.08;
        anim.peakAlpha = full ? 0.75 : 1.0;
        break;
    }
    switch (duration) {
    case FlashDuration::brief:
        anim.hold = 0.0;
        anim.fadeOut = 0.25;
        break;
    case FlashDuration::normal:
        anim.hold = 0.0;
        anim.fadeOut = 0.37;
        break;
    case FlashDuration::long_:
        anim.hold = 0.4;
        anim.fadeOut = 0.9;
        break;
    }
    anim.repeatCount = repeatCount >= 1 && repeatCount <= 3 ? repeatCount : 1;
    return anim;
}

} // namespace corvale
