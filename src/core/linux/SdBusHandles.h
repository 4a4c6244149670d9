#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <time.h>

namespace corvale {

struct SdBusCloser {
    // Whatever is still queued goes out before the connection closes.
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct SdBusMessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SdBusSlotUnref {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

// The monotonic clock in microseconds, the clock of sd_bus_get_timeout's deadlines.
inline std::uint64_t monotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

// How long to wait for a connection's deadline from sd_bus_get_timeout, in whole milliseconds
// rounded up: -1 when it has none, 0 once it has passed.
inline int millisUntil(std::uint64_t deadline) {
    if (deadline == UINT64_MAX) {
        return -1;
    }
    const auto now = monotonicMicros();
    return deadline > now
               ? static_cast<int>(std::min<std::uint64_t>((deadline - now + 999) / 1000, INT_MAX))
               : 0;
}

using BusPtr = std::unique_ptr<sd_bus, SdBusCloser>;
using MessagePtr = std::unique_ptr<sd_bus_message, SdBusMessageUnref>;
// Dropping a slot cancels what it stands for: a pending call, a match, an object.
using SlotPtr = std::unique_ptr<sd_bus_slot, SdBusSlotUnref>;

// Lets sd-bus fill a handle through its out-parameter: `sd_bus_call(..., OutPtr(reply))`. The
// handle takes what was filled in (or nothing) at the end of the statement.
template <typename T, typename Deleter> class OutPtr {
public:
    explicit OutPtr(std::unique_ptr<T, Deleter>& owner) : owner_(owner) {}
    ~OutPtr() { owner_.reset(raw_); }
    OutPtr(const OutPtr&) = delete;
    OutPtr& operator=(const OutPtr&) = delete;
    operator T**() { return &raw_; }

private:
    std::unique_ptr<T, Deleter>& owner_;
    T* raw_ = nullptr;
};

struct BusError {
    sd_bus_error error = SD_BUS_ERROR_NULL;

    BusError() = default;
    ~BusError() { sd_bus_error_free(&error); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;

    // The bus's own words when it sent an error, else the meaning of the failed call's result.
    std::string text(int r) const { return error.message ? error.message : std::strerror(-r); }
};

// The boolean in a reply of signature "v"; none for an error or any other type.
inline std::optional<bool> booleanVariant(sd_bus_message* m) {
    int value = 0;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "v") <= 0 ||
        sd_bus_message_enter_container(m, 'v', "b") <= 0 ||
        sd_bus_message_read_basic(m, 'b', &value) < 0) {
        return std::nullopt;
    }
    return value != 0;
}

} // namespace corvale
