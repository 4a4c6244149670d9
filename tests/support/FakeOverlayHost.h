#pragma once

#include "core/Scheduler.h"
#include "signals/OverlayHost.h"

#include <memory>
#include <vector>

namespace corvale::test {

// Overlay windows in memory: each remembers its frame, content and opacity; an opacity animation
// jumps to its target when the scheduler reaches its end, as a real one would by then.
class FakeOverlayHost : public OverlayHost {
public:
    struct Window {
        FlashRect frame;
        OverlayContent content;
        double opacity = 0;
        bool onScreen = true;
    };
    // One record per opacity animation asked for.
    struct Animation {
        std::vector<std::shared_ptr<Window>> windows;
        double target = 0;
        double seconds = 0;
    };

    explicit FakeOverlayHost(Scheduler& scheduler) : scheduler_(scheduler) {}

    std::vector<FlashRect> screenFrames{{0, 0, 1024, 768}};
    // Every window ever created, in order; those taken off the screen keep their last state.
    std::vector<std::shared_ptr<Window>> created;
    std::vector<Animation> animations;

    std::vector<FlashRect> screens() override { return screenFrames; }
    std::unique_ptr<OverlayWindow> createOverlay(const FlashRect& frame,
                                                 const OverlayContent& content) override;
    void animateOpacity(const std::vector<OverlayWindow*>& windows, double target, double seconds,
                        std::function<void()> done) override;

    std::size_t windowsOnScreen() const;

private:
    Scheduler& scheduler_;
    std::vector<Subscription> pending_;
};

} // namespace corvale::test
