#pragma once

#include "platform/SupportContact.h"

#include <filesystem>
#include <string_view>

namespace corvale {

// The distribution from os-release, the kernel and machine from uname.
SystemFacts linuxSystemFacts(const std::filesystem::path& osRelease = "/etc/os-release",
                             const std::filesystem::path& fallback = "/usr/lib/os-release");

// PRETTY_NAME of an os-release file, else NAME and VERSION; empty when it names nothing.
std::string distributionName(std::string_view osRelease);

} // namespace corvale
