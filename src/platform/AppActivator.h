#pragma once

#include "platform/Workspace.h"

#include <string>

namespace corvale {

// Brings forward the application behind an alert.
class AppActivator {
public:
    explicit AppActivator(Workspace& workspace) : workspace_(workspace) {}

    // By desktop id first, then by name among the running applications, then among the
    // installed ones; returns whether an application was brought forward or opened. A running
    // application's window is raised; it is launched again only when none of its windows can
    // be found, which single-instance applications answer with the window they keep hidden.
    bool activate(const std::string& appName, const std::string& desktopId = {});

private:
    bool bringForward(const AppLocation& running);

    Workspace& workspace_;
};

} // namespace corvale
