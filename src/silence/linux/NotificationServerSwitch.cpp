#include "silence/linux/NotificationServerSwitch.h"

#include <cstring>

namespace corvale {
namespace {

constexpr const char* serverName = "org.freedesktop.Notifications";
constexpr const char* serverPath = "/org/freedesktop/Notifications";
constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

} // namespace

NotificationServerSwitch::NotificationServerSwitch(const char* interface, const char* property,
                                                   std::function<void()> changed)
    : BusDoNotDisturbSource(
          serverName,
          std::string("type='signal',path='") + serverPath + "',interface='" + propertiesInterface +
              "',member='PropertiesChanged',arg0='" + interface + "'",
          {serverPath, propertiesInterface, "Get", interface, property}, std::move(changed)),
      interface_(interface), property_(property) {}

void NotificationServerSwitch::ownerSignalled(sd_bus_message* m) {
    const char* interface = nullptr;
    if (sd_bus_message_has_signature(m, "sa{sv}as") <= 0 ||
        sd_bus_message_read_basic(m, 's', &interface) < 0 || !interface ||
        std::strcmp(interface, interface_) != 0) {
        return;
    }
    std::optional<bool> changed;
    bool invalidated = false;
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
        return;
    }
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read_basic(m, 's', &name) < 0) {
            return;
        }
        int value = 0;
        if (std::strcmp(name, property_) == 0 && sd_bus_message_enter_container(m, 'v', "b") > 0) {
            if (sd_bus_message_read_basic(m, 'b', &value) < 0) {
                return;
            }
            changed = value != 0;
            sd_bus_message_exit_container(m);
        } else if (sd_bus_message_skip(m, "v") < 0) {
            return;
        }
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    if (sd_bus_message_enter_container(m, 'a', "s") > 0) {
        const char* name = nullptr;
        while (sd_bus_message_read_basic(m, 's', &name) > 0) {
            invalidated = invalidated || std::strcmp(name, property_) == 0;
        }
        sd_bus_message_exit_container(m);
    }
    if (changed) {
        set(changed);
    } else if (invalidated) {
        ask();
    }
}

} // namespace corvale
