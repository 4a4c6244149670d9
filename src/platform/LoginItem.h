#pragma once

#include "core/Log.h"
#include "platform/LoginItemService.h"

#include <filesystem>
#include <vector>

namespace corvale {

// The "Launch at login" switch: registers or unregisters the program with the login-item service.
struct LoginItem {
    struct Decision {
        enum class Action { none, registered, unregistered, openedSettings };
        Action action = Action::none;
    };

    // Failures go to `systemLog` only; the switch shows the state read back from the service.
    static Decision setEnabled(bool on, LoginItemService& service, const LogFn& systemLog);

    // $TMPDIR, /tmp, /var/tmp and /dev/shm: folders whose contents may be gone at the next login.
    static std::vector<std::filesystem::path> temporaryFolders();
    // Whether `program` lies inside one of `folders`, so a login entry starting it (a build in a
    // scratch folder, say) may start nothing.
    static bool startsFromTemporaryFolder(const std::filesystem::path& program,
                                          const std::vector<std::filesystem::path>& folders);
};

} // namespace corvale
