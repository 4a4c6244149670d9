#include "core/linux/DbusBroadcast.h"

#include "core/linux/SdBusEventSource.h"

#include <QCoreApplication>
#include <cstring>
#include <systemd/sd-bus.h>

namespace corvale {
namespace {

constexpr std::string_view namePrefix = "com.talvo.corvale.";

bool validMember(std::string_view member) {
    if (member.empty() || member.size() > 255 || (member.front() >= '0' && member.front() <= '9')) {
        return false;
    }
    for (char c : member) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> DbusBroadcast::memberFor(const std::string& name) {
    std::string_view view(name);
    if (!view.starts_with(namePrefix)) {
        return std::nullopt;
    }
    view.remove_prefix(namePrefix.size());
    if (!validMember(view)) {
        return std::nullopt;
    }
    return std::string(view);
}

DbusBroadcast::DbusBroadcast(LogFn log) : log_(std::move(log)) {
    const int r = sd_bus_open_user(OutPtr(bus_));
    if (r < 0) {
        if (log_) {
            log_(std::string("[broadcast] no session bus: ") + std::strerror(-r));
        }
        return;
    }
    if (QCoreApplication::instance()) {
        events_ = std::make_unique<SdBusEventSource>(
            bus_.get(), [](sd_bus_message*) {},
            [this] {
                if (log_) {
                    log_("[broadcast] the session bus closed the connection");
                }
            });
    }
}

DbusBroadcast::~DbusBroadcast() {
    *alive_ = false;
    observers_.clear();
    events_.reset();
    bus_.reset();
}

bool DbusBroadcast::connected() const {
    return bus_ && sd_bus_is_open(bus_.get()) > 0;
}

bool DbusBroadcast::post(const std::string& name, const std::string& object) {
    auto member = memberFor(name);
    if (!bus_ || !member || object.find('\0') != std::string::npos) {
        return false;
    }
    const int r = sd_bus_emit_signal(bus_.get(), objectPath, interfaceName, member->c_str(), "s",
                                     object.c_str());
    if (events_) {
        events_->reschedule();
    }
    return r >= 0;
}

bool DbusBroadcast::flush() {
    if (!bus_) {
        return false;
    }
    const int r = sd_bus_flush(bus_.get());
    if (events_) {
        events_->reschedule();
    }
    return r >= 0;
}

int DbusBroadcast::onSignal(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* observer = static_cast<Observer*>(userdata);
    if (sd_bus_message_has_signature(message, "s") <= 0) {
        return 0;
    }
    const char* text = nullptr;
    if (sd_bus_message_read_basic(message, 's', &text) < 0 || !text) {
        return 0;
    }
    // A copy: the observer may cancel its own subscription while it runs.
    auto fn = observer->fn;
    fn(std::string(text));
    return 0;
}

Subscription DbusBroadcast::observe(const std::string& name,
                                    std::function<void(const std::string& object)> fn) {
    auto member = memberFor(name);
    if (!bus_ || !member || !fn) {
        return {};
    }
    auto observer = std::make_unique<Observer>();
    observer->fn = std::move(fn);
    const int r = sd_bus_match_signal_async(bus_.get(), OutPtr(observer->slot), nullptr, objectPath,
                                            interfaceName, member->c_str(),
                                            &DbusBroadcast::onSignal, nullptr, observer.get());
    if (r < 0) {
        if (log_) {
            log_("[broadcast] cannot observe " + name + ": " + std::strerror(-r));
        }
        return {};
    }
    if (events_) {
        events_->reschedule();
    }
    const auto id = nextId_++;
    observers_[id] = std::move(observer);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, id] {
        if (auto live = alive.lock(); live && *live) {
            forget(id);
        }
    });
}

void DbusBroadcast::forget(std::uint64_t id) {
    auto found = observers_.find(id);
    if (found == observers_.end()) {
        return;
    }
    observers_.erase(found);
}

} // namespace corvale
