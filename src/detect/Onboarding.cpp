#include "detect/Onboarding.h"

#include "core/Text.h"

#include <algorithm>
#include <unordered_map>

namespace corvale {

bool Onboarding::appNeedsNativeMute(const std::vector<Rule>& appRules) {
    auto base = std::find_if(appRules.begin(), appRules.end(),
                             [](const Rule& r) { return !r.isDefault() && !r.condition; });
    if (base != appRules.end() && base->nativeSoundMuted) {
        return false;
    }
    return std::any_of(appRules.begin(), appRules.end(), [](const Rule& r) {
        return !r.isDefault() && r.enabled && !r.sound.isSilent();
    });
}

std::vector<std::string> Onboarding::appsNeedingNativeMute(const std::vector<Rule>& rules) {
    struct Group {
        std::string displayName;
        std::vector<Rule> rules;
    };
    std::vector<Group> groups;
    std::unordered_map<std::string, size_t> byKey;
    for (const auto& rule : rules) {
        if (rule.isDefault()) {
            continue;
        }
        auto display = trimmed(rule.appDisplayName);
        auto key = nameKey(display);
        if (key.empty()) {
            continue;
        }
        auto [it, inserted] = byKey.try_emplace(key, groups.size());
        if (inserted) {
            groups.push_back({std::move(display), {}});
        }
        groups[it->second].rules.push_back(rule);
    }
    std::vector<std::string> names;
    for (auto& group : groups) {
        if (appNeedsNativeMute(group.rules)) {
            names.push_back(std::move(group.displayName));
        }
    }
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return localizedCaseInsensitiveLess(a, b);
    });
    return names;
}

} // namespace corvale
