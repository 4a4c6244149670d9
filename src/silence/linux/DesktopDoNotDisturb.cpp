#include "silence/linux/DesktopDoNotDisturb.h"

#include "core/linux/SdBusEventSource.h"

#include <cstring>
#include <string>

namespace corvale {

DesktopDoNotDisturb::DesktopDoNotDisturb(ChangeFn onChange, LogFn log)
    : onChange_(std::move(onChange)), log_(std::move(log)) {
    initialWait_.setSingleShot(true);
    QObject::connect(&initialWait_, &QTimer::timeout, [this] { report(); });
    initialWait_.start(initialWaitMs);
    constructing_ = true;
    startBus();
    gnome_.start();
    constructing_ = false;
    // The first report always comes from the event loop, never from inside the constructor.
    if (readings().allSettled()) {
        initialWait_.start(0);
    }
}

DesktopDoNotDisturb::~DesktopDoNotDisturb() = default;

void DesktopDoNotDisturb::startBus() {
    if (sd_bus_open_user(OutPtr(bus_)) < 0) {
        forgetBus();
        return;
    }
    events_ = std::make_unique<SdBusEventSource>(
        bus_.get(), [](sd_bus_message*) {},
        [this] {
            forgetBus();
            report();
        });
    int r = inhibited_.watch(bus_.get());
    if (r >= 0) {
        r = paused_.watch(bus_.get());
    }
    if (r >= 0) {
        r = xfce_.watch(bus_.get());
    }
    if (r < 0) {
        if (log_) {
            log_(std::string("[dnd] cannot watch the notification server: ") + std::strerror(-r));
        }
        forgetBus();
    }
    events_->reschedule();
}

void DesktopDoNotDisturb::forgetBus() {
    inhibited_.forget();
    paused_.forget();
    xfce_.forget();
}

DoNotDisturbReadings DesktopDoNotDisturb::readings() const {
    return {inhibited_.reading(), paused_.reading(), xfce_.reading(), gnome_.reading()};
}

void DesktopDoNotDisturb::report() {
    if (constructing_) {
        return;
    }
    const auto next = readings().nextReport(initialWait_.isActive(), lastReported_);
    if (!next) {
        return;
    }
    if (next->initial) {
        initialWait_.stop();
    }
    lastReported_ = next->on;
    if (onChange_) {
        onChange_(next->on, next->initial);
    }
}

} // namespace corvale
