#pragma once

#include "core/Broadcast.h"

#include <map>
#include <memory>
#include <vector>

namespace corvale {

// Delivers broadcasts within this process only.
class InMemoryBroadcast : public Broadcast {
public:
    bool post(const std::string& name, const std::string& object) override;
    Subscription observe(const std::string& name,
                         std::function<void(const std::string& object)> fn) override;

private:
    struct Observer {
        std::function<void(const std::string&)> fn;
        std::shared_ptr<bool> alive;
    };
    std::map<std::string, std::vector<Observer>> observers_;
    std::shared_ptr<bool> selfAlive_ = std::make_shared<bool>(true);
};

} // namespace corvale
