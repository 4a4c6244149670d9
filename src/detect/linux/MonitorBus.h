#pragma once

#include "core/linux/SdBusHandles.h"

#include <cstdint>
#include <string>

namespace corvale {

// Calls on the session bus give up after this long, so a stuck bus never holds a thread for good.
inline constexpr std::uint64_t callTimeoutMicros = 2'000'000;

// The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the socket in XDG_RUNTIME_DIR; empty
// when there is none.
std::string sessionBusAddress();
// A connection to the bus at address, as an ordinary client or as one about to become a monitor.
int openBus(const std::string& address, bool monitor, BusPtr& out);
// Makes the connection a monitor of the messages the match rules (ending in a null) select.
int becomeMonitor(sd_bus* bus, const char* const* rules, BusError& error);

} // namespace corvale
