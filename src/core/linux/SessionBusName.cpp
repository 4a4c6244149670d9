#include "core/linux/SessionBusName.h"

#include <cstring>

namespace corvale {

SessionBusName::SessionBusName(sd_bus* bus, Methods methods, LogFn log)
    : bus_(bus), methods_(std::move(methods)), log_(std::move(log)) {
    if (!bus_) {
        return;
    }
    int r = sd_bus_add_object(bus_, &objectSlot_, objectPath, &SessionBusName::onMethodCall, this);
    if (r >= 0) {
        // Without queueing: a second owner would mean a second Corvale, which must not wait in
        // line to take over silently.
        r = sd_bus_request_name_async(bus_, &requestSlot_, busName, 0,
                                      &SessionBusName::onRequestReply, this);
    }
    if (r < 0 && log_) {
        log_(std::string("[bus] cannot ask for the name ") + busName + ": " + std::strerror(-r));
    }
}

SessionBusName::~SessionBusName() {
    sd_bus_slot_unref(requestSlot_);
    sd_bus_slot_unref(objectSlot_);
    if (owned_ && bus_ && sd_bus_is_open(bus_) > 0) {
        sd_bus_release_name_async(bus_, nullptr, busName, nullptr, nullptr);
    }
}

int SessionBusName::onRequestReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<SessionBusName*>(userdata);
    self->requestSlot_ = sd_bus_slot_unref(self->requestSlot_);
    const sd_bus_error* error = sd_bus_message_get_error(m);
    std::uint32_t answer = 0;
    if (!error && sd_bus_message_read_basic(m, 'u', &answer) >= 0 &&
        (answer == 1 /* primary owner */ || answer == 4 /* already owner */)) {
        self->owned_ = true;
        if (self->log_) {
            self->log_(std::string("[bus] owns ") + busName);
        }
        return 0;
    }
    if (self->log_) {
        self->log_(std::string("[bus] could not own ") + busName + ": " +
                   (error && error->message ? error->message : "another program holds it"));
    }
    return 0;
}

int SessionBusName::onMethodCall(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<SessionBusName*>(userdata);
    const char* member = sd_bus_message_get_member(m);
    if (sd_bus_message_is_method_call(m, interfaceName, nullptr) <= 0 || !member) {
        return 0;
    }
    auto found = self->methods_.find(member);
    if (found == self->methods_.end() || sd_bus_message_has_signature(m, "") <= 0) {
        return 0;
    }
    // A copy: the method may replace this object's table while it runs.
    auto method = found->second;
    method();
    sd_bus_reply_method_return(m, nullptr);
    return 1;
}

std::optional<bool> SessionBusName::hasOwner(sd_bus* bus) {
    if (!bus) {
        return std::nullopt;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    const int r =
        sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s", busName);
    std::optional<bool> answer;
    if (r >= 0 && sd_bus_message_read_basic(reply, 'b', &owned) >= 0) {
        answer = owned != 0;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return answer;
}

} // namespace corvale
