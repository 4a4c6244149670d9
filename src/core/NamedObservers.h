#pragma once

#include "core/Subscription.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvale {

// Observers registered under a name and called synchronously when that name is posted. Each
// registration ends with its Subscription, which may safely outlive the list.
template <typename... Args> class NamedObservers {
public:
    Subscription observe(const std::string& name, std::function<void(Args...)> fn) {
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

    void post(const std::string& name, Args... args) {
        auto found = observers_.find(name);
        if (found == observers_.end()) {
            return;
        }
        // Observers may subscribe or cancel while being called: iterate over a snapshot.
        auto snapshot = found->second;
        for (auto& observer : snapshot) {
            if (*observer.alive) {
                observer.fn(args...);
            }
        }
    }

private:
    struct Observer {
        std::function<void(Args...)> fn;
        std::shared_ptr<bool> alive;
    };
    std::map<std::string, std::vector<Observer>> observers_;
    std::shared_ptr<bool> selfAlive_ = std::make_shared<bool>(true);
};

} // namespace corvale
