#pragma once

#include "core/Log.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// The running program's name on the session bus, com.talvo.corvale, with its object
// /com/talvo/corvale: whoever owns the name is the Corvale of this session, so the command line
// can tell whether anyone will hear it. The object answers the methods of interface
// com.talvo.corvale given at creation (one entry each); every other call gets the bus's usual
// unknown-method error.
class SessionBusName {
public:
    static constexpr const char* busName = "com.talvo.corvale";
    static constexpr const char* objectPath = "/com/talvo/corvale";
    static constexpr const char* interfaceName = "com.talvo.corvale";

    // Method name to what it does; each takes no argument and returns nothing.
    using Methods = std::map<std::string, std::function<void()>>;

    // `bus` is an ordinary connection driven by the event loop (it must outlive this object).
    // The name is asked for at once; the answer comes through the event loop and is logged.
    SessionBusName(sd_bus* bus, Methods methods, LogFn log = {});
    ~SessionBusName();
    SessionBusName(const SessionBusName&) = delete;
    SessionBusName& operator=(const SessionBusName&) = delete;

    // Whether the bus has granted us the name (false until its answer came).
    bool owned() const { return owned_; }

    // Whether anyone owns the name on `bus`; none when the bus cannot be asked. Blocks.
    static std::optional<bool> hasOwner(sd_bus* bus);

private:
    static int onMethodCall(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onRequestReply(sd_bus_message* m, void* self, sd_bus_error* error);

    sd_bus* bus_;
    Methods methods_;
    LogFn log_;
    sd_bus_slot* objectSlot_ = nullptr;
    sd_bus_slot* requestSlot_ = nullptr;
    bool owned_ = false;
};

} // namespace corvale
