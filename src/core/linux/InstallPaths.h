#pragma once

#include <filesystem>

namespace corvale {

// Our data folder, found from the running executable: <prefix>/bin/corvale beside
// <prefix>/share/corvale, in the install tree and the build tree alike.
std::filesystem::path installedDataFolder();

} // namespace corvale
