#pragma once

#include <filesystem>

namespace corvale::test {

// The tones the build made, found as the program finds them: share/corvale/sounds beside the
// folder of the running executable.
inline std::filesystem::path builtToneFolder() {
    const auto executable = std::filesystem::read_symlink("/proc/self/exe");
    return executable.parent_path().parent_path() / "share" / "corvale" / "sounds";
}

} // namespace corvale::test
