#pragma once

#include "core/Scheduler.h"
#include "platform/Workspace.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace corvale {

// Finds an application's icon by its name, for rows of the interface. Lookups walk the running
// applications and the installed ones, so results are cached, and a name that found nothing is
// not searched again for a while.
class AppIconProvider {
public:
    static constexpr Millis missRetry{45'000};

    AppIconProvider(Workspace& workspace, const Scheduler& clock)
        : workspace_(workspace), clock_(clock) {}

    std::optional<std::filesystem::path> icon(const std::string& name);
    // Running applications first, then the installed ones.
    std::optional<AppLocation> resolveURL(const std::string& name);

private:
    Workspace& workspace_;
    const Scheduler& clock_;
    std::map<std::string, std::filesystem::path> cache_;
    std::map<std::string, TimePoint> misses_;
};

} // namespace corvale
