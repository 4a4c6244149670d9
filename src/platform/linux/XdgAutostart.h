#pragma once

#include "platform/LoginItemService.h"

#include <filesystem>
#include <vector>

namespace corvale {

// Launch at login through the desktop's autostart folder: our entry in the user's autostart
// folder starts the program at login. An entry that the system installs is switched off for the
// user by an entry of the same name marked hidden.
class XdgAutostart : public LoginItemService {
public:
    static constexpr const char* fileName = "corvale.desktop";

    // $XDG_CONFIG_HOME/autostart and each $XDG_CONFIG_DIRS folder with "/autostart".
    static std::filesystem::path defaultUserFolder();
    static std::vector<std::filesystem::path> defaultSystemFolders();

    // `program`: the executable the entry starts (the running one).
    XdgAutostart(std::filesystem::path program,
                 std::filesystem::path userFolder = defaultUserFolder(),
                 std::vector<std::filesystem::path> systemFolders = defaultSystemFolders());

    LoginItemStatus status() override;
    std::optional<std::string> registerItem() override;
    std::optional<std::string> unregisterItem() override;
    // Autostart entries need no approval here, so there is no such place to open.
    void openLoginItemsSettings() override {}
    std::filesystem::path launchedProgram() const override { return program_; }

    std::filesystem::path entryFile() const { return userFolder_ / fileName; }

private:
    std::optional<std::string> writeEntry(bool hidden);

    std::filesystem::path program_;
    std::filesystem::path userFolder_;
    std::vector<std::filesystem::path> systemFolders_;
};

} // namespace corvale
