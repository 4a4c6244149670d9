#pragma once

#include "core/Broadcast.h"
#include "core/Log.h"
#include "core/linux/SdBusHandles.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

class SdBusEventSource;

// Broadcasts as signals on the session bus: path /com/talvo/corvale, interface com.talvo.corvale,
// the member the part of the name after "com.talvo.corvale.", one string argument. Observers run
// on the Qt event loop of the thread that made the object; without a Qt application (the command
// line) it can only post, and must flush before the process ends.
class DbusBroadcast : public Broadcast {
public:
    static constexpr const char* objectPath = "/com/talvo/corvale";
    static constexpr const char* interfaceName = "com.talvo.corvale";

    explicit DbusBroadcast(LogFn log = {});
    ~DbusBroadcast() override;
    DbusBroadcast(const DbusBroadcast&) = delete;
    DbusBroadcast& operator=(const DbusBroadcast&) = delete;

    bool connected() const;
    // The ordinary connection itself, for the program's bus name and its questions to the bus.
    sd_bus* connection() const { return bus_.get(); }
    // False without a bus, for a name outside com.talvo.corvale and for text that the bus cannot
    // carry (invalid UTF-8).
    bool post(const std::string& name, const std::string& object) override;
    // Delivers the name's signals with exactly one string argument and ignores every other form.
    Subscription observe(const std::string& name,
                         std::function<void(const std::string& object)> fn) override;
    // Blocks until everything posted has been handed to the bus.
    bool flush();

    // The signal member that carries a broadcast name; none for a name we do not send.
    static std::optional<std::string> memberFor(const std::string& name);

private:
    struct Observer {
        std::function<void(const std::string&)> fn;
        SlotPtr slot;
    };
    static int onSignal(sd_bus_message* message, void* userdata, sd_bus_error* error);
    void forget(std::uint64_t id);

    LogFn log_;
    BusPtr bus_;
    std::unique_ptr<SdBusEventSource> events_;
    std::map<std::uint64_t, std::unique_ptr<Observer>> observers_;
    std::uint64_t nextId_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
