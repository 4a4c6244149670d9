#include "platform/SoftwareUpdater.h"

#include <algorithm>
#include <cctype>

namespace corvale {

namespace {
bool isRealValue(std::string value) {
    if (value.empty()) {
        return false;
    }
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value.find("todo") == std::string::npos &&
           value.find("example.com") == std::string::npos;
}
} // namespace

bool UpdaterConfig::isReal() const {
    return isRealValue(feedURL) && isRealValue(publicEDKey);
}

std::unique_ptr<UpdaterController> startUpdater(const UpdaterConfig& config,
                                                const UpdaterFactory& factory, const LogFn& log) {
    if (config.isReal() && factory) {
        if (auto updater = factory(config)) {
            log("[sparkle] updater started");
            return updater;
        }
    }
    log("[sparkle] SUFeedURL/SUPublicEDKey still placeholders - updater NOT started (avoids the "
        "'updater failed to start' alert; Check for Updates disabled)");
    return nullptr;
}

} // namespace corvale
