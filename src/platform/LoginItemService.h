#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvale {

// Whether the program starts at login, as the desktop reports it.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// The desktop's service that starts programs at login.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    virtual LoginItemStatus status() = 0;
    // Each returns the description of the error, or none on success.
    virtual std::optional<std::string> registerItem() = 0;
    virtual std::optional<std::string> unregisterItem() = 0;
    // Where the user approves programs that start at login.
    virtual void openLoginItemsSettings() = 0;
    // The program the service starts at login; empty when the service does not name it.
    virtual std::filesystem::path launchedProgram() const { return {}; }
};

} // namespace corvale
