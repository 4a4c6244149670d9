#pragma once

#include "core/Rule.h"

#include <string>
#include <vector>

namespace corvale {

struct NotificationHealth {
    // Display names of the apps that have a rule doing something observable but were never seen
    // posting a banner, one per name key (the first rule's spelling), sorted for display.
    static std::vector<std::string> unconfirmedApps(const std::vector<Rule>& rules,
                                                    const std::vector<std::string>& confirmed);
};

} // namespace corvale
