#include "core/InMemoryBroadcast.h"

#include <algorithm>

namespace corvale {

bool InMemoryBroadcast::post(const std::string& name, const std::string& object) {
    auto found = observers_.find(name);
    if (found == observers_.end()) {
        return true;
    }
    auto snapshot = found->second;
    for (auto& observer : snapshot) {
        if (*observer.alive) {
            observer.fn(object);
        }
    }
    return true;
}

Subscription InMemoryBroadcast::observe(const std::string& name,
                                        std::function<void(const std::string&)> fn) {
    auto alive = std::make_shared<bool>(true);
    observers_[name].push_back({std::move(fn), alive});
    std::weak_ptr<bool> self = selfAlive_;
    return Subscription([this, self, alive, name] {
        *alive = false;
        if (self.expired()) {
            return;
        }
        auto& list = observers_[name];
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const Observer& o) { return o.alive == alive; }),
                   list.end());
    });
}

} // namespace corvale
