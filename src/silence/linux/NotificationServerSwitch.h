#pragma once

#include "core/linux/NameOwnerWatch.h"
#include "core/linux/SdBusHandles.h"
#include "silence/DoNotDisturbReadings.h"

#include <functional>
#include <memory>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// One boolean property of the desktop's notification server (such as "Inhibited" of
// org.freedesktop.Notifications, or dunst's "paused" of org.dunstproject.cmd0): asked of the
// server that owns the name, then followed by the server's PropertiesChanged signals. A new
// server is asked again; none, or a server without the property, reads as absent.
class NotificationServerSwitch {
public:
    // `changed` runs after every change of the reading.
    NotificationServerSwitch(const char* interface, const char* property,
                             std::function<void()> changed);
    NotificationServerSwitch(const NotificationServerSwitch&) = delete;
    NotificationServerSwitch& operator=(const NotificationServerSwitch&) = delete;

    // Starts following on `bus`, which the event loop drives and which outlives this object. A
    // negative result is the bus library's refusal.
    int watch(sd_bus* bus);
    // The bus is gone or cannot be watched: nothing is known, nothing is to be waited for.
    void forget();

    const DoNotDisturbReading& reading() const { return reading_; }

private:
    static int onPropertiesChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onReply(sd_bus_message* m, void* self, sd_bus_error* error);
    void ownerIs(const std::string& owner);
    void ask();
    void answered(std::optional<bool> value);

    const char* interface_;
    const char* property_;
    std::function<void()> changed_;
    sd_bus* bus_ = nullptr;
    std::unique_ptr<NameOwnerWatch> ownerWatch_;
    SlotPtr propertiesMatch_;
    SlotPtr call_;
    std::string owner_;
    DoNotDisturbReading reading_;
};

} // namespace corvale
