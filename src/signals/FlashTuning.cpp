#include "signals/FlashTuning.h"

namespace corvale {
namespace {

constexpr const char* followGlobal = "Use global default";

template <typename T, size_t N> std::optional<T> pick(const T (&cases)[N], int atIndex) {
    if (atIndex < 1 || atIndex > static_cast<int>(N)) {
        return std::nullopt;
    }
    return cases[atIndex - 1];
}

} // namespace

const std::vector<int>& FlashTuning::repeatChoices() {
    static const std::vector<int> choices{1, 2, 3};
    return choices;
}

const std::vector<std::string>& FlashTuning::intensityOverrideTitles() {
    static const std::vector<std::string> titles{followGlobal, "Gentle", "Normal", "Strong"};
    return titles;
}

const std::vector<std::string>& FlashTuning::durationOverrideTitles() {
    static const std::vector<std::string> titles{followGlobal, "Brief", "Normal", "Long"};
    return titles;
}

std::string FlashTuning::repeatTitle(int count) {
    if (count == 1) {
        return "Once";
    }
    if (count == 2) {
        return "Twice";
    }
    return std::to_string(count) + " times";
}

const std::vector<std::string>& FlashTuning::repeatOverrideTitles() {
    static const std::vector<std::string> titles = [] {
        std::vector<std::string> out{followGlobal};
        for (int n : repeatChoices()) {
            out.push_back(repeatTitle(n));
        }
        return out;
    }();
    return titles;
}

std::optional<FlashIntensity> FlashTuning::intensityOverride(int atIndex) {
    static constexpr FlashIntensity cases[]{FlashIntensity::gentle, FlashIntensity::normal,
                                            FlashIntensity::strong};
    return pick(cases, atIndex);
}

std::optional<FlashDuration> FlashTuning::durationOverride(int atIndex) {
    static constexpr FlashDuration cases[]{FlashDuration::brief, FlashDuration::normal,
                                           FlashDuration::long_};
    return pick(cases, atIndex);
}

std::optional<int> FlashTuning::repeatOverride(int atIndex) {
    if (atIndex < 1 || atIndex > static_cast<int>(repeatChoices().size())) {
        return std::nullopt;
    }
    return repeatChoices()[static_cast<size_t>(atIndex - 1)];
}

} // namespace corvale
