#include "platform/AppIconProvider.h"

#include "core/AppMatch.h"
#include "core/Text.h"

namespace corvale {

std::optional<std::filesystem::path> AppIconProvider::icon(const std::string& name) {
    auto key = nameKey(name);
    if (key.empty()) {
        return std::nullopt;
    }
    if (auto cached = cache_.find(key); cached != cache_.end()) {
        return cached->second;
    }
    auto now = clock_.now();
    if (auto miss = misses_.find(key); miss != misses_.end() && now - miss->second < missRetry) {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> found;
    if (auto location = resolveURL(name)) {
        found = workspace_.iconFile(*location);
    }
    // An application without a usable icon is a miss too, or every redraw would search again.
    if (!found) {
        misses_[key] = now;
        return std::nullopt;
    }
    misses_.erase(key);
    cache_[key] = *found;
    return found;
}

std::optional<AppLocation> AppIconProvider::resolveURL(const std::string& name) {
    auto running = workspace_.runningApplications();
    std::vector<std::string> names;
    for (const auto& app : running) {
        names.push_back(app.app.name);
    }
    if (auto best = AppMatch::bestRunningMatch(name, names)) {
        return running[*best].app;
    }
    return workspace_.installedApplication(name);
}

} // namespace corvale
