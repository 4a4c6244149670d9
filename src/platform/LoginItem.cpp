#include "platform/LoginItem.h"

#include <algorithm>
#include <cstdlib>

namespace corvale {

LoginItem::Decision LoginItem::setEnabled(bool on, LoginItemService& service,
                                          const LogFn& systemLog) {
    using Action = Decision::Action;
    auto status = service.status();
    if (!on) {
        if (status != LoginItemStatus::enabled) {
            return {Action::none};
        }
        // The switch reads the state back, so a failed unregister still counts as done here.
        if (auto error = service.unregisterItem()) {
            systemLog("Corvale launchAtLogin(off) failed: " + *error);
        }
        return {Action::unregistered};
    }
    if (status == LoginItemStatus::enabled) {
        return {Action::none};
    }
    if (status == LoginItemStatus::requiresApproval) {
        service.openLoginItemsSettings();
        return {Action::openedSettings};
    }
    if (auto error = service.registerItem()) {
        systemLog("Corvale launchAtLogin(on) failed: " + *error);
        return {Action::none};
    }
    return {Action::registered};
}

std::vector<std::filesystem::path> LoginItem::temporaryFolders() {
    std::vector<std::filesystem::path> folders;
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir != nullptr && tmpdir[0] == '/') {
        folders.emplace_back(tmpdir);
    }
    for (const char* folder : {"/tmp", "/var/tmp", "/dev/shm"}) {
        folders.emplace_back(folder);
    }
    return folders;
}

bool LoginItem::startsFromTemporaryFolder(const std::filesystem::path& program,
                                          const std::vector<std::filesystem::path>& folders) {
    const auto file = program.lexically_normal();
    return std::any_of(folders.begin(), folders.end(), [&](const std::filesystem::path& folder) {
        // Compared part by part, so /tmpfiles is not inside /tmp; a trailing slash adds an
        // empty last part, which is dropped.
        auto inside = folder.lexically_normal();
        if (!inside.has_filename()) {
            inside = inside.parent_path();
        }
        if (inside.empty() || !inside.is_absolute()) {
            return false;
        }
        auto [end, at] = std::mismatch(inside.begin(), inside.end(), file.begin(), file.end());
        return end == inside.end() && at != file.end();
    });
}

} // namespace corvale
