#pragma once

#include "platform/Workspace.h"

#include <string>

namespace corvale {

// Brings forward the application behind an alert.
class AppActivator {
public:
    explicit AppActivator(Workspace& workspace) : workspace_(workspace) {}

    // By desktop id first, then by name among the running applications, then among the
    // installed ones; returns whether an application was opened.
    bool activate(const std::string& appName, const std::string& desktopId = {});

private:
    Workspace& workspace_;
};

} // namespace corvale
