#include "support/FakeHotKeyService.h"

#include <algorithm>

namespace corvale::test {

std::optional<Subscription>
FakeHotKeyService::installHandler(std::function<void(std::optional<HotKeyID>)> onPress) {
    if (refuseHandlers) {
        return std::nullopt;
    }
    const auto token = nextToken_++;
    handlers_[token] =
        std::make_shared<std::function<void(std::optional<HotKeyID>)>>(std::move(onPress));
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (!alive.expired()) {
            handlers_.erase(token);
        }
    });
}

std::optional<Subscription> FakeHotKeyService::registerHotKey(const HotKeyCombo& combo,
                                                              HotKeyID id) {
    const auto same = [&](const HotKeyCombo& other) { return other == combo; };
    if (std::any_of(takenElsewhere.begin(), takenElsewhere.end(), same) ||
        std::any_of(registrations_.begin(), registrations_.end(),
                    [&](const auto& entry) { return entry.second.combo == combo; })) {
        return std::nullopt;
    }
    const auto token = nextToken_++;
    registrations_[token] = {combo, id};
    const auto label = std::to_string(id.id) + " " + combo.displayText();
    journal.push_back("+" + label);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token, label] {
        if (!alive.expired()) {
            registrations_.erase(token);
            journal.push_back("-" + label);
        }
    });
}

Subscription FakeHotKeyService::observeLostRegistrations(std::function<void(HotKeyID)> onLost) {
    const auto token = nextToken_++;
    lostWatchers_[token] = std::move(onLost);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (!alive.expired()) {
            lostWatchers_.erase(token);
        }
    });
}

void FakeHotKeyService::lose(const HotKeyCombo& combo) {
    for (auto found = registrations_.begin(); found != registrations_.end(); ++found) {
        if (found->second.combo == combo) {
            const auto id = found->second.id;
            registrations_.erase(found);
            auto watchers = lostWatchers_;
            for (const auto& [token, watcher] : watchers) {
                watcher(id);
            }
            return;
        }
    }
}

bool FakeHotKeyService::press(const HotKeyCombo& combo) {
    for (const auto& [token, registration] : registrations_) {
        if (registration.combo == combo) {
            deliver(registration.id);
            return true;
        }
    }
    return false;
}

void FakeHotKeyService::deliver(std::optional<HotKeyID> id) {
    // A receiver may go while another one runs.
    auto receivers = handlers_;
    for (const auto& [token, fn] : receivers) {
        if (handlers_.count(token)) {
            (*fn)(id);
        }
    }
}

std::vector<FakeHotKeyService::Registration> FakeHotKeyService::registrations() const {
    std::vector<Registration> out;
    for (const auto& [token, registration] : registrations_) {
        out.push_back(registration);
    }
    return out;
}

} // namespace corvale::test
