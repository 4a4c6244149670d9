#pragma once

#include "silence/linux/DoNotDisturbSource.h"

namespace corvale {

// xfce4-notifyd's do-not-disturb: the setting /do-not-disturb in the xfconf channel
// xfce4-notifyd, asked of the running settings daemon and followed by its change signals. Without
// a daemon it reads as absent, and none is started to ask.
class XfceNotifydDoNotDisturb : public BusDoNotDisturbSource {
public:
    // `changed` runs after every change of the reading.
    explicit XfceNotifydDoNotDisturb(std::function<void()> changed);

private:
    void ownerSignalled(sd_bus_message* m) override;
};

} // namespace corvale
