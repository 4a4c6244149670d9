#include "core/FlashValues.h"

namespace corvale {
namespace {

constexpr std::array<std::string_view, 8> styleNames{"fullScreen",    "edge",         "edgeTop",
                                                     "edgeBottom",    "edgeLeft",     "edgeRight",
                                                     "edgeTopBottom", "edgeLeftRight"};
constexpr std::array<std::string_view, 3> intensityNames{"gentle", "normal", "strong"};
constexpr std::array<std::string_view, 3> durationNames{"brief", "normal", "long"};

template <typename E, size_t N>
std::optional<E> fromRaw(const std::array<std::string_view, N>& names, std::string_view raw) {
    for (size_t i = 0; i < N; ++i) {
        if (names[i] == raw) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

} // namespace

std::string_view rawValue(FlashStyle style) {
    return styleNames[static_cast<size_t>(style)];
}
std::string_view rawValue(FlashIntensity intensity) {
    return intensityNames[static_cast<size_t>(intensity)];
}
std::string_view rawValue(FlashDuration duration) {
    return durationNames[static_cast<size_t>(duration)];
}

std::optional<FlashStyle> flashStyleFromRaw(std::string_view raw) {
    return fromRaw<FlashStyle>(styleNames, raw);
}
std::optional<FlashIntensity> flashIntensityFromRaw(std::string_view raw) {
    return fromRaw<FlashIntensity>(intensityNames, raw);
}
std::optional<FlashDuration> flashDurationFromRaw(std::string_view raw) {
    return fromRaw<FlashDuration>(durationNames, raw);
}

} // namespace corvale
