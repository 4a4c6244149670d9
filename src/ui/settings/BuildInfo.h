#pragma once

#include <optional>
#include <string>

namespace corvale {

// What this build of the program is: its version, the packager's build number and the channel it
// ships on. All three come from the build configuration (CMake's CORVALE_BUILD_NUMBER and
// CORVALE_BUILD_CHANNEL); a build from a plain checkout has no channel.
struct BuildInfo {
    std::string version;
    std::string build;
    std::optional<std::string> channel;

    static constexpr const char* defaultChannel = "Dev";

    static BuildInfo current();
    // "1.2.0 (34) · Stable"; a build without a channel (or a blank one) says "Dev".
    std::string versionLine() const;
};

} // namespace corvale
