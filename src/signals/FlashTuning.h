#pragma once

#include "core/FlashValues.h"

#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The flash choices the editors offer. Index 0 of each override menu follows the global default.
struct FlashTuning {
    static const std::vector<int>& repeatChoices();
    static const std::vector<std::string>& intensityOverrideTitles();
    static const std::vector<std::string>& durationOverrideTitles();
    static const std::vector<std::string>& repeatOverrideTitles();
    // "Once", "Twice", else the number and " times".
    static std::string repeatTitle(int count);

    static std::optional<FlashIntensity> intensityOverride(int atIndex);
    static std::optional<FlashDuration> durationOverride(int atIndex);
    static std::optional<int> repeatOverride(int atIndex);
};

} // namespace corvale
