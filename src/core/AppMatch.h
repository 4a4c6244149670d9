#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// Relates an application name read from a banner to the names of running applications.
struct AppMatch {
    // The index of the first candidate with the same name key (trimmed, without regard to case);
    // no partial matching. None for an empty name.
    static std::optional<size_t> bestRunningMatch(std::string_view name,
                                                  const std::vector<std::string>& candidates);
};

} // namespace corvale
