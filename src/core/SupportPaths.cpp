#include "core/SupportPaths.h"

#include <cstdlib>

namespace corvale::paths {
namespace {

// Relative values are invalid by the XDG rules and are ignored.
std::optional<std::filesystem::path> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> homeOr(const char* variable, const char* relative) {
    if (auto set = absoluteEnv(variable)) {
        return set;
    }
    if (auto home = absoluteEnv("HOME")) {
        return *home / relative;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> dataHome() {
    return homeOr("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> configHome() {
    return homeOr("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> runtimeDir() {
    return absoluteEnv("XDG_RUNTIME_DIR");
}

std::optional<std::filesystem::path> supportFolder() {
    auto home = dataHome();
    return home ? std::optional(*home / "Corvale") : std::nullopt;
}

std::optional<std::filesystem::path> legacySupportFolder() {
    auto home = dataHome();
    return home ? std::optional(*home / "Ostrel") : std::nullopt;
}

std::optional<std::filesystem::path> configFolder() {
    auto home = configHome();
    return home ? std::optional(*home / "Corvale") : std::nullopt;
}

} // namespace corvale::paths
