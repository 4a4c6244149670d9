#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

enum class FlashStyle {
    fullScreen,
    edge,
    edgeTop,
    edgeBottom,
    edgeLeft,
    edgeRight,
    edgeTopBottom,
    edgeLeftRight
};
enum class FlashIntensity { gentle, normal, strong };
enum class FlashDuration { brief, normal, long_ };

inline constexpr std::array<FlashStyle, 8> allFlashStyles{
    FlashStyle::fullScreen,    FlashStyle::edge,         FlashStyle::edgeTop,
    FlashStyle::edgeBottom,    FlashStyle::edgeLeft,     FlashStyle::edgeRight,
    FlashStyle::edgeTopBottom, FlashStyle::edgeLeftRight};

// Raw texts as stored; parsing is case-sensitive and gives none for any other text.
std::string_view rawValue(FlashStyle style);
std::string_view rawValue(FlashIntensity intensity);
std::string_view rawValue(FlashDuration duration);
std::optional<FlashStyle> flashStyleFromRaw(std::string_view raw);
std::optional<FlashIntensity> flashIntensityFromRaw(std::string_view raw);
std::optional<FlashDuration> flashDurationFromRaw(std::string_view raw);

} // namespace corvale
