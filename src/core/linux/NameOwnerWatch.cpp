#include "core/linux/NameOwnerWatch.h"

namespace corvale {
namespace {

constexpr const char* driverName = "org.freedesktop.DBus";
constexpr const char* driverPath = "/org/freedesktop/DBus";

// The owner in a GetNameOwner reply; empty when the name has none.
std::string ownerIn(sd_bus_message* m) {
    const char* owner = nullptr;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "s") <= 0 ||
        sd_bus_message_read_basic(m, 's', &owner) <= 0 || !owner) {
        return {};
    }
    return owner;
}

} // namespace

NameOwnerWatch::NameOwnerWatch(sd_bus* bus, std::string name, OwnerFn onOwner)
    : bus_(bus), name_(std::move(name)), onOwner_(std::move(onOwner)) {}

std::string NameOwnerWatch::matchRule() const {
    return std::string("type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                       "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
           name_ + "'";
}

int NameOwnerWatch::watch() {
    int r = sd_bus_add_match_async(bus_, OutPtr(match_), matchRule().c_str(),
                                   &NameOwnerWatch::onOwnerChanged, nullptr, this);
    if (r >= 0) {
        r = sd_bus_call_method_async(bus_, OutPtr(ownerCall_), driverName, driverPath, driverName,
                                     "GetNameOwner", &NameOwnerWatch::onOwnerReply, this, "s",
                                     name_.c_str());
    }
    return r;
}

int NameOwnerWatch::matchNow(sd_bus_error* error) {
    // The bus is asked directly so that its own words reach `error`; the signals are picked out
    // of the connection's traffic here.
    int r = sd_bus_call_method(bus_, driverName, driverPath, driverName, "AddMatch", error, nullptr,
                               "s", matchRule().c_str());
    if (r >= 0) {
        r = sd_bus_add_filter(bus_, OutPtr(match_), &NameOwnerWatch::onOwnerChanged, this);
    }
    return r;
}

void NameOwnerWatch::askNow() {
    BusError error;
    MessagePtr reply;
    const int r = sd_bus_call_method(bus_, driverName, driverPath, driverName, "GetNameOwner",
                                     &error.error, OutPtr(reply), "s", name_.c_str());
    onOwner_(r >= 0 ? ownerIn(reply.get()) : std::string());
}

int NameOwnerWatch::onOwnerReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<NameOwnerWatch*>(userdata);
    self->ownerCall_.reset();
    // No owner yet: its arrival is announced as an owner change.
    self->onOwner_(ownerIn(m));
    return 0;
}

int NameOwnerWatch::onOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<NameOwnerWatch*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    if (sd_bus_message_is_signal(m, driverName, "NameOwnerChanged") <= 0 || !sender ||
        std::strcmp(sender, driverName) != 0 || sd_bus_message_has_signature(m, "sss") <= 0 ||
        sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0 || !name || !newOwner ||
        self->name_ != name) {
        return 0;
    }
    // A reply to an older question about the owner is now stale.
    self->ownerCall_.reset();
    self->onOwner_(newOwner);
    return 0;
}

} // namespace corvale
