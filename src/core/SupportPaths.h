#pragma once

#include <filesystem>
#include <optional>

namespace corvale {

// The per-user folders of the XDG base directory layout, from the environment.
namespace paths {

// $XDG_DATA_HOME, else ~/.local/share; none when neither it nor $HOME is set.
std::optional<std::filesystem::path> dataHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::optional<std::filesystem::path> configHome();
// $XDG_RUNTIME_DIR when set and absolute.
std::optional<std::filesystem::path> runtimeDir();

// Where our data files live: <data home>/Corvale.
std::optional<std::filesystem::path> supportFolder();
// The folder an earlier release kept its data in.
std::optional<std::filesystem::path> legacySupportFolder();
// Where the preferences live: <config home>/Corvale.
std::optional<std::filesystem::path> configFolder();

} // namespace paths
} // namespace corvale
