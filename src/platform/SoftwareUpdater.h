#pragma once

#include "core/Log.h"

#include <functional>
#include <memory>
#include <string>

namespace corvale {

// Where updates come from and the key that signs them: deployment settings of whoever ships the
// program. Builds for distributions leave both empty and update through their packages.
struct UpdaterConfig {
    std::string feedURL;
    std::string publicEDKey;

    // Both set, and neither a template's placeholder.
    bool isReal() const;
};

// A running software updater.
class UpdaterController {
public:
    virtual ~UpdaterController() = default;
    virtual void checkForUpdates() = 0;
};

// Creates the updater for a real configuration; none where this system has no updater.
using UpdaterFactory = std::function<std::unique_ptr<UpdaterController>(const UpdaterConfig&)>;

// Starts the updater when the configuration is real and an updater can be made; otherwise no
// updater exists for this run, which the log says once.
std::unique_ptr<UpdaterController> startUpdater(const UpdaterConfig& config,
                                                const UpdaterFactory& factory, const LogFn& log);

} // namespace corvale
