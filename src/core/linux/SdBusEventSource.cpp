#include "core/linux/SdBusEventSource.h"

#include "core/linux/SdBusHandles.h"

#include <poll.h>

namespace corvale {

SdBusEventSource::SdBusEventSource(sd_bus* bus, std::function<void(sd_bus_message*)> onMessage,
                                   std::function<void()> onClosed)
    : bus_(bus), onMessage_(std::move(onMessage)), onClosed_(std::move(onClosed)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { processPending(); });
    const int fd = sd_bus_get_fd(bus_);
    if (fd < 0) {
        // Not connected at all: report it from the event loop, never from the constructor.
        timer_.start(0);
        return;
    }
    readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { processPending(); });
    QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { processPending(); });
    rearm();
}

SdBusEventSource::~SdBusEventSource() = default;

void SdBusEventSource::processPending() {
    if (closed_ || processing_ || held_) {
        return;
    }
    processing_ = true;
    bool ended = !readable_;
    bool more = false;
    const std::uint64_t sliceEnd = monotonicMicros() + sliceMicros;
    for (int handled = 0; !ended;) {
        MessagePtr message;
        int r = 1;
        const bool wasHeld = static_cast<bool>(resumed_);
        if (wasHeld) {
            message = std::move(resumed_);
        } else {
            r = sd_bus_process(bus_, OutPtr(message));
        }
        if (r < 0) {
            ended = true;
            break;
        }
        if (message && !wasHeld && holdBack_ && holdBack_(message.get())) {
            held_ = std::move(message);
            readable_->setEnabled(false);
            writable_->setEnabled(false);
            timer_.stop();
            processing_ = false;
            return;
        }
        if (message) {
            const bool disconnected =
                sd_bus_message_is_signal(message.get(), "org.freedesktop.DBus.Local",
                                         "Disconnected") > 0;
            if (!disconnected) {
                onMessage_(message.get());
            }
            message.reset();
            if (disconnected) {
                ended = true;
                break;
            }
        }
        if (r == 0) {
            break;
        }
        // A flood of notifications is handled in slices, so that timers, input and painting
        // get their turn between them.
        if (++handled >= sliceMessages || monotonicMicros() >= sliceEnd) {
            more = true;
            break;
        }
    }
    processing_ = false;
    if (ended) {
        close();
        return;
    }
    rearm();
    if (more) {
        // What sd-bus already read from the socket would not wake the notifier again.
        timer_.start(0);
    }
}

void SdBusEventSource::release() {
    if (!held_) {
        return;
    }
    resumed_ = std::move(held_);
    if (!closed_) {
        readable_->setEnabled(true);
        timer_.start(0);
    }
}

void SdBusEventSource::reschedule() {
    if (!closed_ && !processing_ && readable_ && !held_) {
        rearm();
    }
}

void SdBusEventSource::rearm() {
    const int events = sd_bus_get_events(bus_);
    if (events < 0) {
        close();
        return;
    }
    writable_->setEnabled((events & POLLOUT) != 0);
    std::uint64_t deadline = 0;
    if (sd_bus_get_timeout(bus_, &deadline) < 0) {
        close();
        return;
    }
    const int wait = millisUntil(deadline);
    if (wait < 0) {
        timer_.stop();
        return;
    }
    timer_.start(wait);
}

void SdBusEventSource::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    timer_.stop();
    if (readable_) {
        readable_->setEnabled(false);
        writable_->setEnabled(false);
    }
    onClosed_();
}

} // namespace corvale
