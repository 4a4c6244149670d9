#pragma once

#include "core/Log.h"
#include "platform/LoginItemService.h"

namespace corvale {

// The "Launch at login" switch: registers or unregisters the program with the login-item service.
struct LoginItem {
    struct Decision {
        enum class Action { none, registered, unregistered, openedSettings };
        Action action = Action::none;
    };

    // Failures go to `systemLog` only; the switch shows the state read back from the service.
    static Decision setEnabled(bool on, LoginItemService& service, const LogFn& systemLog);
};

} // namespace corvale
