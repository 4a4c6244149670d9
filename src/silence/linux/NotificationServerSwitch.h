#pragma once

#include "silence/linux/DoNotDisturbSource.h"

namespace corvale {

// One boolean property of the desktop's notification server (such as "Inhibited" of
// org.freedesktop.Notifications, or dunst's "paused" of org.dunstproject.cmd0): asked of the
// server that owns the name, then followed by the server's PropertiesChanged signals. A new
// server is asked again; none, or a server without the property, reads as absent.
class NotificationServerSwitch : public BusDoNotDisturbSource {
public:
    // `changed` runs after every change of the reading.
    NotificationServerSwitch(const char* interface, const char* property,
                             std::function<void()> changed);

private:
    void ownerSignalled(sd_bus_message* m) override;

    const char* interface_;
    const char* property_;
};

} // namespace corvale
