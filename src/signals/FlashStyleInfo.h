#pragma once

#include "core/FlashValues.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

enum class FlashEdge { top, bottom, left, right };

std::string_view rawValue(FlashEdge edge);

// What each flash style draws and how the style picker names it.
struct FlashStyleInfo {
    // The edges banded by a style; none for a full-screen flash, which fills everything.
    static std::vector<FlashEdge> edges(FlashStyle style);
    static std::string_view title(FlashStyle style);
    static std::string_view description(FlashStyle style);
    // "Screen flash: <title> - <description>", the line under the picker.
    static std::string pickerLine(FlashStyle style);
};

} // namespace corvale
