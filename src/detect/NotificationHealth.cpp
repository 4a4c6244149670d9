#include "detect/NotificationHealth.h"

#include "core/Text.h"

#include <algorithm>
#include <unordered_set>

namespace corvale {

std::vector<std::string>
NotificationHealth::unconfirmedApps(const std::vector<Rule>& rules,
                                    const std::vector<std::string>& confirmed) {
    std::unordered_set<std::string> confirmedKeys;
    for (const auto& name : confirmed) {
        confirmedKeys.insert(nameKey(name));
    }
    std::unordered_set<std::string> collected;
    std::vector<std::string> names;
    for (const auto& rule : rules) {
        bool observable = !rule.sound.isSilent() || rule.flashMenuBar || rule.flashScreen;
        if (rule.isDefault() || !rule.enabled || !observable) {
            continue;
        }
        auto display = trimmed(rule.appDisplayName);
        auto key = nameKey(display);
        if (key.empty() || confirmedKeys.contains(key) || !collected.insert(key).second) {
            continue;
        }
        names.push_back(std::move(display));
    }
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return localizedCaseInsensitiveLess(a, b);
    });
    return names;
}

} // namespace corvale
