#include "core/linux/InstallPaths.h"

namespace corvale {

std::filesystem::path installedDataFolder() {
    std::error_code ec;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "/usr/share/corvale";
    }
    return executable.parent_path().parent_path() / "share" / "corvale";
}

} // namespace corvale
