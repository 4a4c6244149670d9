#pragma once

#include "silence/HotKeyService.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvale::test {

// Global shortcuts in memory: combinations can be marked as owned by another program, and a test
// presses a registered combination (or sends a press with any identifier) by hand.
class FakeHotKeyService : public HotKeyService {
public:
    struct Registration {
        HotKeyCombo combo;
        HotKeyID id;
    };

    std::optional<Subscription>
    installHandler(std::function<void(std::optional<HotKeyID>)> onPress) override;
    std::optional<Subscription> registerHotKey(const HotKeyCombo& combo, HotKeyID id) override;
    Subscription observeLostRegistrations(std::function<void(HotKeyID)> onLost) override;

    // Combinations another program holds: registering them fails.
    std::vector<HotKeyCombo> takenElsewhere;
    bool refuseHandlers = false;

    // Presses a combination as the user would: nothing happens unless it is registered.
    bool press(const HotKeyCombo& combo);
    // Delivers a press carrying this identifier (or none) to every installed receiver.
    void deliver(std::optional<HotKeyID> id);
    // Drops a live registration as a keyboard mapping change can, telling the watchers.
    void lose(const HotKeyCombo& combo);

    std::vector<Registration> registrations() const;
    size_t handlerCount() const { return handlers_.size(); }
    // Registrations and removals in the order they happened, e.g. "+1 Alt+Super+M", "-1
    // Alt+Super+M".
    std::vector<std::string> journal;

private:
    std::map<std::uint64_t, Registration> registrations_;
    std::map<std::uint64_t, std::shared_ptr<std::function<void(std::optional<HotKeyID>)>>>
        handlers_;
    std::map<std::uint64_t, std::function<void(HotKeyID)>> lostWatchers_;
    std::uint64_t nextToken_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale::test
