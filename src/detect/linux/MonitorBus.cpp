#include "detect/linux/MonitorBus.h"

#include <cstdlib>
#include <sys/stat.h>
#include <systemd/sd-bus.h>

namespace corvale {

std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
        return address;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string path = std::string(runtime) + "/bus";
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            return "unix:path=" + path;
        }
    }
    return {};
}

int openBus(const std::string& address, bool monitor, BusPtr& out) {
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    if (r < 0) {
        return r;
    }
    BusPtr bus(raw);
    if ((r = sd_bus_set_address(raw, address.c_str())) < 0 ||
        (r = sd_bus_set_bus_client(raw, 1)) < 0 ||
        (r = sd_bus_set_monitor(raw, monitor ? 1 : 0)) < 0 ||
        (r = sd_bus_set_method_call_timeout(raw, callTimeoutMicros)) < 0 ||
        (r = sd_bus_start(raw)) < 0) {
        return r;
    }
    out = std::move(bus);
    return 0;
}

int becomeMonitor(sd_bus* bus, const char* const* rules, BusError& error) {
    MessagePtr call;
    int r = sd_bus_message_new_method_call(bus, OutPtr(call), "org.freedesktop.DBus",
                                           "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus.Monitoring", "BecomeMonitor");
    if (r >= 0) {
        r = sd_bus_message_append_strv(call.get(), const_cast<char**>(rules));
    }
    if (r >= 0) {
        r = sd_bus_message_append(call.get(), "u", 0u);
    }
    if (r >= 0) {
        r = sd_bus_call(bus, call.get(), callTimeoutMicros, &error.error, nullptr);
    }
    return r;
}

} // namespace corvale
