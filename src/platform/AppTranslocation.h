#pragma once

#include "core/Log.h"
#include "platform/Dialogs.h"
#include "platform/Workspace.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace corvale {

// Whether the program runs from a temporary, relocated copy of itself. This system has no call
// that answers it, so the test is on the path alone.
struct AppTranslocation {
    static bool isTranslocated(const std::filesystem::path& bundle);
    // Where a relocated copy came from; nothing here can tell.
    static std::optional<std::filesystem::path> originalURL(const std::filesystem::path& bundle);
};

// The start-up check: when the program runs relocated, ask the user what to do. Returns whether
// the program should quit (after `terminate` was called).
struct RelocationCheck {
    std::filesystem::path bundle;
    Dialogs* dialogs = nullptr;
    Workspace* workspace = nullptr;
    std::function<void()> terminate;
    LogFn log;

    enum Button { revealButton, quitButton, continueButton };
    static AlertSpec alert();

    bool nudgeIfTranslocatedShouldQuit() const;
};

} // namespace corvale
