#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// The sound a notification names for itself, as far as it may be played: a file named by an
// absolute path or a file URL, else a name of the desktop's sound theme. Whatever the hints hold
// comes from any program on the bus, so nothing else passes.
struct AppSoundHint {
    // Longer hints name nothing a sound theme or a file system of ours holds.
    static constexpr std::size_t maxPathBytes = 4096;
    static constexpr std::size_t maxNameBytes = 128;

    std::optional<std::filesystem::path> file;
    std::optional<std::string> name;
    // Why a hint that was given is not used; empty when none was refused.
    std::string refused;

    // From the "sound-file" and "sound-name" hints (empty when absent); the file comes first.
    static AppSoundHint read(std::string_view soundFile, std::string_view soundName);

    bool empty() const { return !file && !name; }
};

} // namespace corvale
