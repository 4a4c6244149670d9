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
    : interface_(interface), property_(property), changed_(std::move(changed)) {}

int NotificationServerSwitch::watch(sd_bus* bus) {
    bus_ = bus;
    ownerWatch_ = std::make_unique<NameOwnerWatch>(
        bus_, serverName, [this](const std::string& owner) { ownerIs(owner); });
    const std::string rule = std::string("type='signal',path='") + serverPath + "',interface='" +
                             propertiesInterface + "',member='PropertiesChanged',arg0='" +
                             interface_ + "'";
    // The signals' match goes first, so no change is missed between the question and the watch.
    int r = sd_bus_add_match_async(bus_, OutPtr(propertiesMatch_), rule.c_str(),
                                   &NotificationServerSwitch::onPropertiesChanged, nullptr, this);
    if (r >= 0) {
        r = ownerWatch_->watch();
    }
    return r;
}

void NotificationServerSwitch::forget() {
    owner_.clear();
    reading_.value = std::nullopt;
    reading_.settled = true;
}

void NotificationServerSwitch::ownerIs(const std::string& owner) {
    if (owner == owner_ && !owner.empty()) {
        return;
    }
    owner_ = owner;
    call_.reset();
    reading_.value = std::nullopt;
    if (owner_.empty()) {
        reading_.settled = true;
        changed_();
        return;
    }
    // Every question goes to the owner's unique name, so nothing here ever starts a server.
    ask();
}

void NotificationServerSwitch::ask() {
    call_.reset();
    const int r = sd_bus_call_method_async(
        bus_, OutPtr(call_), owner_.c_str(), serverPath, propertiesInterface, "Get",
        &NotificationServerSwitch::onReply, this, "ss", interface_, property_);
    if (r < 0) {
        answered(std::nullopt);
    }
}

int NotificationServerSwitch::onReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<NotificationServerSwitch*>(userdata);
    self->call_.reset();
    // An error is a server without this switch: nothing of it to follow.
    self->answered(booleanVariant(m));
    return 0;
}

void NotificationServerSwitch::answered(std::optional<bool> value) {
    reading_.value = value;
    reading_.settled = true;
    changed_();
}

int NotificationServerSwitch::onPropertiesChanged(sd_bus_message* m, void* userdata,
                                                  sd_bus_error*) {
    auto* self = static_cast<NotificationServerSwitch*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    const char* interface = nullptr;
    // Only the server itself speaks for its properties.
    if (!sender || self->owner_.empty() || self->owner_ != sender ||
        sd_bus_message_has_signature(m, "sa{sv}as") <= 0 ||
        sd_bus_message_read_basic(m, 's', &interface) < 0 || !interface ||
        std::strcmp(interface, self->interface_) != 0) {
        return 0;
    }
    std::optional<bool> changed;
    bool invalidated = false;
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
        return 0;
    }
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read_basic(m, 's', &name) < 0) {
            return 0;
        }
        int value = 0;
        if (std::strcmp(name, self->property_) == 0 &&
            sd_bus_message_enter_container(m, 'v', "b") > 0) {
            if (sd_bus_message_read_basic(m, 'b', &value) < 0) {
                return 0;
            }
            changed = value != 0;
            sd_bus_message_exit_container(m);
        } else if (sd_bus_message_skip(m, "v") < 0) {
            return 0;
        }
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    if (sd_bus_message_enter_container(m, 'a', "s") > 0) {
        const char* name = nullptr;
        while (sd_bus_message_read_basic(m, 's', &name) > 0) {
            invalidated = invalidated || std::strcmp(name, self->property_) == 0;
        }
        sd_bus_message_exit_container(m);
    }
    if (changed) {
        self->reading_.value = changed;
        self->changed_();
    } else if (invalidated) {
        self->ask();
    }
    return 0;
}

} // namespace corvale
