#include "platform/AppActivator.h"

#include "core/AppMatch.h"
#include "core/Text.h"

namespace corvale {

bool AppActivator::bringForward(const AppLocation& running) {
    // Launching a running program again opens a second window in most of them.
    return workspace_.raiseApplication(running) || workspace_.openApplication(running);
}

bool AppActivator::activate(const std::string& appName, const std::string& desktopId) {
    if (!desktopId.empty()) {
        for (const auto& running : workspace_.runningApplications()) {
            if (running.app.desktopId == desktopId) {
                return bringForward(running.app);
            }
        }
        if (auto known = workspace_.applicationWithDesktopId(desktopId)) {
            return workspace_.openApplication(*known);
        }
    }

    std::vector<AppLocation> ordinary;
    for (auto& running : workspace_.runningApplications()) {
        if (running.ordinary) {
            ordinary.push_back(std::move(running.app));
        }
    }
    std::vector<std::string> names;
    for (const auto& app : ordinary) {
        names.push_back(app.name);
    }
    if (auto best = AppMatch::bestRunningMatch(appName, names)) {
        return bringForward(ordinary[*best]);
    }

    if (nameKey(appName).empty()) {
        return false;
    }
    if (auto installed = workspace_.installedApplication(appName)) {
        return workspace_.openApplication(*installed);
    }
    return false;
}

} // namespace corvale
