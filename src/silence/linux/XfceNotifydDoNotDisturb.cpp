#include "silence/linux/XfceNotifydDoNotDisturb.h"

#include <cstring>

namespace corvale {
namespace {

constexpr const char* xfconfName = "org.xfce.Xfconf";
constexpr const char* xfconfPath = "/org/xfce/Xfconf";
constexpr const char* channel = "xfce4-notifyd";
constexpr const char* property = "/do-not-disturb";

} // namespace

XfceNotifydDoNotDisturb::XfceNotifydDoNotDisturb(std::function<void()> changed)
    : changed_(std::move(changed)) {}

int XfceNotifydDoNotDisturb::watch(sd_bus* bus) {
    bus_ = bus;
    ownerWatch_ = std::make_unique<NameOwnerWatch>(
        bus_, xfconfName, [this](const std::string& owner) { ownerIs(owner); });
    const std::string rule = std::string("type='signal',path='") + xfconfPath + "',interface='" +
                             xfconfName + "',arg0='" + channel + "',arg1='" + property + "'";
    // The signals' match goes first, so no change is missed between the question and the watch.
    int r = sd_bus_add_match_async(bus_, OutPtr(changesMatch_), rule.c_str(),
                                   &XfceNotifydDoNotDisturb::onChanged, nullptr, this);
    if (r >= 0) {
        r = ownerWatch_->watch();
    }
    return r;
}

void XfceNotifydDoNotDisturb::forget() {
    owner_.clear();
    reading_.value = std::nullopt;
    reading_.settled = true;
}

void XfceNotifydDoNotDisturb::ownerIs(const std::string& owner) {
    if (owner == owner_ && !owner.empty()) {
        return;
    }
    owner_ = owner;
    call_.reset();
    if (owner_.empty()) {
        set(std::nullopt);
        settle();
        return;
    }
    // The question goes to the daemon's unique name, so it never starts one.
    ask();
}

void XfceNotifydDoNotDisturb::ask() {
    call_.reset();
    const int r = sd_bus_call_method_async(
        bus_, OutPtr(call_), owner_.c_str(), xfconfPath, xfconfName, "GetProperty",
        &XfceNotifydDoNotDisturb::onReply, this, "ss", channel, property);
    if (r < 0) {
        settle();
    }
}

int XfceNotifydDoNotDisturb::onReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<XfceNotifydDoNotDisturb*>(userdata);
    self->call_.reset();
    // Not set at all is xfce4-notifyd's default: off.
    self->set(booleanVariant(m));
    self->settle();
    return 0;
}

int XfceNotifydDoNotDisturb::onChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<XfceNotifydDoNotDisturb*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    const char* member = sd_bus_message_get_member(m);
    if (!sender || !member || self->owner_.empty() || self->owner_ != sender) {
        return 0;
    }
    const char *changedChannel = nullptr, *changedProperty = nullptr;
    if (std::strcmp(member, "PropertyRemoved") == 0 && sd_bus_message_has_signature(m, "ss") > 0) {
        self->set(std::nullopt);
        return 0;
    }
    if (std::strcmp(member, "PropertyChanged") != 0 ||
        sd_bus_message_has_signature(m, "ssv") <= 0 ||
        sd_bus_message_read(m, "ss", &changedChannel, &changedProperty) < 0) {
        return 0;
    }
    int value = 0;
    if (sd_bus_message_enter_container(m, 'v', "b") > 0 &&
        sd_bus_message_read_basic(m, 'b', &value) >= 0) {
        self->set(value != 0);
    } else {
        self->set(std::nullopt);
    }
    return 0;
}

void XfceNotifydDoNotDisturb::set(std::optional<bool> value) {
    reading_.value = value;
    changed_();
}

void XfceNotifydDoNotDisturb::settle() {
    if (!reading_.settled) {
        reading_.settled = true;
        changed_();
    }
}

} // namespace corvale
