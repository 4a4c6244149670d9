#pragma once

#include "core/linux/SdBusHandles.h"

#include <functional>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// Follows which connection owns a well-known name on the bus: the owner when asked, then every
// change, each told as the owner's unique name (empty when nobody owns it). The owner is asked
// for by name, so this never starts the name's service. Answers are told as they come, repeats
// included; the listener decides what is news.
class NameOwnerWatch {
public:
    using OwnerFn = std::function<void(const std::string& owner)>;

    // `bus` is driven by the event loop and must outlive this object.
    NameOwnerWatch(sd_bus* bus, std::string name, OwnerFn onOwner);
    NameOwnerWatch(const NameOwnerWatch&) = delete;
    NameOwnerWatch& operator=(const NameOwnerWatch&) = delete;

    // Sends the match and then the question, without waiting: both answers come through the
    // event loop. A negative result is the bus library's refusal.
    int watch();
    // Puts the match in place and waits for the bus to accept it; a refusal is described in
    // `error`. The owner is then asked for with askNow().
    int matchNow(sd_bus_error* error);
    // Asks for the owner, waits for the answer and tells it (empty when there is none or the
    // question failed).
    void askNow();

private:
    static int onOwnerChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onOwnerReply(sd_bus_message* m, void* self, sd_bus_error* error);
    std::string matchRule() const;

    sd_bus* bus_;
    std::string name_;
    OwnerFn onOwner_;
    SlotPtr match_;
    SlotPtr ownerCall_;
};

} // namespace corvale
