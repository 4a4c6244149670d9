#include "support/FakeOverlayHost.h"

#include <chrono>

namespace corvale::test {
namespace {

struct Handle : OverlayWindow {
    std::shared_ptr<FakeOverlayHost::Window> window;
    ~Handle() override { window->onScreen = false; }
};

} // namespace

std::unique_ptr<OverlayWindow> FakeOverlayHost::createOverlay(const FlashRect& frame,
                                                              const OverlayContent& content) {
    auto handle = std::make_unique<Handle>();
    handle->window = std::make_shared<Window>(Window{frame, content, 0.0, true});
    created.push_back(handle->window);
    return handle;
}

void FakeOverlayHost::animateOpacity(const std::vector<OverlayWindow*>& windows, double target,
                                     double seconds, std::function<void()> done) {
    Animation animation{{}, target, seconds};
    for (auto* window : windows) {
        animation.windows.push_back(static_cast<Handle*>(window)->window);
    }
    animations.push_back(animation);
    auto delay = std::chrono::round<Millis>(std::chrono::duration<double>(seconds));
    pending_.push_back(scheduler_.after(delay, [animation, done = std::move(done)] {
        for (const auto& window : animation.windows) {
            window->opacity = animation.target;
        }
        done();
    }));
}

std::size_t FakeOverlayHost::windowsOnScreen() const {
    std::size_t count = 0;
    for (const auto& window : created) {
        count += window->onScreen ? 1 : 0;
    }
    return count;
}

} // namespace corvale::test
