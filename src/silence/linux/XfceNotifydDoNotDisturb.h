#pragma once

#include "core/linux/NameOwnerWatch.h"
#include "core/linux/SdBusHandles.h"
#include "silence/DoNotDisturbReadings.h"

#include <functional>
#include <memory>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// xfce4-notifyd's do-not-disturb: the setting /do-not-disturb in the xfconf channel
// xfce4-notifyd, asked of the running settings daemon and followed by its change signals. Without
// a daemon it reads as absent, and none is started to ask.
class XfceNotifydDoNotDisturb {
public:
    // `changed` runs after every change of the reading.
    explicit XfceNotifydDoNotDisturb(std::function<void()> changed);
    XfceNotifydDoNotDisturb(const XfceNotifydDoNotDisturb&) = delete;
    XfceNotifydDoNotDisturb& operator=(const XfceNotifydDoNotDisturb&) = delete;

    // Starts following on `bus`, which the event loop drives and which outlives this object. A
    // negative result is the bus library's refusal.
    int watch(sd_bus* bus);
    // The bus is gone or cannot be watched: nothing is known, nothing is to be waited for.
    void forget();

    const DoNotDisturbReading& reading() const { return reading_; }

private:
    static int onChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onReply(sd_bus_message* m, void* self, sd_bus_error* error);
    void ownerIs(const std::string& owner);
    void ask();
    void set(std::optional<bool> value);
    void settle();

    std::function<void()> changed_;
    sd_bus* bus_ = nullptr;
    std::unique_ptr<NameOwnerWatch> ownerWatch_;
    SlotPtr changesMatch_;
    SlotPtr call_;
    std::string owner_;
    DoNotDisturbReading reading_;
};

} // namespace corvale
