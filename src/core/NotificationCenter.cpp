#include "core/NotificationCenter.h"

#include <algorithm>

namespace corvale {

Subscription NotificationCenter::observe(const std::string& name, std::function<void()> fn) {
    auto alive = std::make_shared<bool>(true);
    observers_[name].push_back({std::move(fn), alive});
    std::weak_ptr<bool> center = selfAlive_;
    return Subscription([this, center, alive, name] {
        *alive = false;
        if (center.expired()) {
            return;
        }
        auto& list = observers_[name];
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const Observer& o) { return o.alive == alive; }),
                   list.end());
    });
}

void NotificationCenter::post(const std::string& name) {
    auto found = observers_.find(name);
    if (found == observers_.end()) {
        return;
    }
    // Observers may subscribe or cancel while being called: iterate over a snapshot.
    auto snapshot = found->second;
    for (auto& observer : snapshot) {
        if (*observer.alive) {
            observer.fn();
        }
    }
}

} // namespace corvale
