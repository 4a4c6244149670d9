#include "core/AppMatch.h"

#include "core/Text.h"

namespace corvale {

std::optional<size_t> AppMatch::bestRunningMatch(std::string_view name,
                                                 const std::vector<std::string>& candidates) {
    const auto key = nameKey(name);
    if (key.empty()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (nameKey(candidates[i]) == key) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace corvale
