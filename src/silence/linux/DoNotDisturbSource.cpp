#include "silence/linux/DoNotDisturbSource.h"

namespace corvale {

void DoNotDisturbSource::set(std::optional<bool> value) {
    reading_.value = value;
    changed_();
}

void DoNotDisturbSource::settle() {
    if (!reading_.settled) {
        reading_.settled = true;
        changed_();
    }
}

void DoNotDisturbSource::answered(std::optional<bool> value) {
    reading_.value = value;
    reading_.settled = true;
    changed_();
}

void DoNotDisturbSource::forgetAll() {
    reading_.value = std::nullopt;
    reading_.settled = true;
}

BusDoNotDisturbSource::BusDoNotDisturbSource(const char* name, std::string signalMatch,
                                             Question question, std::function<void()> changed)
    : DoNotDisturbSource(std::move(changed)), name_(name), signalMatch_(std::move(signalMatch)),
      question_(question) {}

int BusDoNotDisturbSource::watch(sd_bus* bus) {
    bus_ = bus;
    ownerWatch_ = std::make_unique<NameOwnerWatch>(
        bus_, name_, [this](const std::string& owner) { ownerIs(owner); });
    // The signals' match goes first, so no change is missed between the question and the watch.
    int r = sd_bus_add_match_async(bus_, OutPtr(signalSlot_), signalMatch_.c_str(),
                                   &BusDoNotDisturbSource::onSignal, nullptr, this);
    if (r >= 0) {
        r = ownerWatch_->watch();
    }
    return r;
}

void BusDoNotDisturbSource::forget() {
    owner_.clear();
    forgetAll();
}

void BusDoNotDisturbSource::ownerIs(const std::string& owner) {
    if (owner == owner_ && !owner.empty()) {
        return;
    }
    owner_ = owner;
    call_.reset();
    if (owner_.empty()) {
        answered(std::nullopt);
        return;
    }
    // What the last owner said does not hold for this one.
    forgetValue();
    ask();
}

void BusDoNotDisturbSource::ask() {
    call_.reset();
    const int r = sd_bus_call_method_async(
        bus_, OutPtr(call_), owner_.c_str(), question_.path, question_.interface, question_.member,
        &BusDoNotDisturbSource::onReply, this, "ss", question_.first, question_.second);
    if (r < 0) {
        answered(std::nullopt);
    }
}

int BusDoNotDisturbSource::onReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<BusDoNotDisturbSource*>(userdata);
    self->call_.reset();
    // An error is an owner without this setting: nothing of it to follow.
    self->answered(booleanVariant(m));
    return 0;
}

int BusDoNotDisturbSource::onSignal(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<BusDoNotDisturbSource*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    // Only the owner itself speaks for its setting.
    if (sender && !self->owner_.empty() && self->owner_ == sender) {
        self->ownerSignalled(m);
    }
    return 0;
}

} // namespace corvale
