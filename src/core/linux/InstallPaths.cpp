#include "core/linux/InstallPaths.h"

namespace corvale {

std::filesystem::path installedDataFolder() {
    auto executable = runningExecutable();
    if (executable.empty()) {
        return "/usr/share/corvale";
    }
    return executable.parent_path().parent_path() / "share" / "corvale";
}

std::filesystem::path runningExecutable() {
    std::error_code ec;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : executable;
}

} // namespace corvale
