#pragma once

#include <filesystem>

namespace corvale {

// Our data folder, found from the running executable: <prefix>/bin/corvale beside
// <prefix>/share/corvale, in the install tree and the build tree alike.
std::filesystem::path installedDataFolder();

// The running executable, as the kernel knows it; empty when it cannot be read.
std::filesystem::path runningExecutable();

} // namespace corvale
