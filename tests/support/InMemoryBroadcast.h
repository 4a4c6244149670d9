#pragma once

#include "core/Broadcast.h"
#include "core/NamedObservers.h"

namespace corvale {

// Delivers broadcasts within this process only; while unreachable, as with no session bus, every
// post fails and reaches no one.
class InMemoryBroadcast : public Broadcast {
public:
    bool reachable = true;

    bool post(const std::string& name, const std::string& object) override {
        if (!reachable) {
            return false;
        }
        observers_.post(name, object);
        return true;
    }
    Subscription observe(const std::string& name,
                         std::function<void(const std::string& object)> fn) override {
        return observers_.observe(name, std::move(fn));
    }

private:
    NamedObservers<const std::string&> observers_;
};

} // namespace corvale
