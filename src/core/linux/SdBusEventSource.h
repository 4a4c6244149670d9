#pragma once

#include "core/linux/SdBusHandles.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <systemd/sd-bus.h>

namespace corvale {

// Drives one sd-bus connection from the Qt event loop: a socket notifier wakes it, a timer covers
// the connection's own deadlines, and every wake handles the pending messages in short slices.
class SdBusEventSource {
public:
    // A wake handles at most this many messages or this much time, then lets the event loop run.
    static constexpr int sliceMessages = 64;
    static constexpr std::uint64_t sliceMicros = 8'000;

    // onMessage gets each message that no handler of the connection consumed. onClosed is called
    // once when the connection ends; it must not destroy this object before returning.
    SdBusEventSource(sd_bus* bus, std::function<void(sd_bus_message*)> onMessage,
                     std::function<void()> onClosed);
    ~SdBusEventSource();
    SdBusEventSource(const SdBusEventSource&) = delete;
    SdBusEventSource& operator=(const SdBusEventSource&) = delete;

    // Call after a blocking call on the connection: it may have queued messages that the socket
    // will not announce again.
    void reschedule();
    // Asked before each message: true holds it back. Nothing more is handled until release();
    // then the held message comes first.
    void setHoldBack(std::function<bool(sd_bus_message*)> holdBack) {
        holdBack_ = std::move(holdBack);
    }
    void release();

private:
    void processPending();
    void rearm();
    void close();

    sd_bus* bus_;
    std::function<void(sd_bus_message*)> onMessage_;
    std::function<void()> onClosed_;
    std::function<bool(sd_bus_message*)> holdBack_;
    // The message held back, and the one released to be handled next.
    MessagePtr held_;
    MessagePtr resumed_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    QTimer timer_;
    bool closed_ = false;
    bool processing_ = false;
};

} // namespace corvale
