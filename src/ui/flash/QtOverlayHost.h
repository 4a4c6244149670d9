#pragma once

#include "core/Log.h"
#include "signals/OverlayHost.h"

#include <QObject>

namespace corvale {

// The screen flash's windows: one frameless, override-redirect, click-through window per screen
// that never takes focus, with its opacity animated on the window as a whole. Screens are read
// afresh at every flash, so screens plugged in or out while Corvale runs are picked up.
class QtOverlayHost : public QObject, public OverlayHost {
    Q_OBJECT
public:
    explicit QtOverlayHost(LogFn log, QObject* parent = nullptr);

    // Overlays stay above other windows and ignore input only on X11 (XWayland in a Wayland
    // session); on any other platform the flash is skipped.
    bool available() const { return available_; }
    // Whether a compositing manager runs, so a window can be translucent.
    static bool compositing();

    std::vector<FlashRect> screens() override;
    std::unique_ptr<OverlayWindow> createOverlay(const FlashRect& frame,
                                                 const OverlayContent& content) override;
    void animateOpacity(const std::vector<OverlayWindow*>& windows, double target, double seconds,
                        std::function<void()> done) override;

private:
    bool available_ = false;
};

} // namespace corvale
