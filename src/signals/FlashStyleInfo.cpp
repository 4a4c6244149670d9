#include "signals/FlashStyleInfo.h"

#include <array>

namespace corvale {
namespace {

struct StyleText {
    std::string_view title;
    std::string_view description;
};

constexpr std::array<StyleText, 8> styleTexts{{
    {"Full screen", "the whole screen"},
    {"All edges", "a band around every edge"},
    {"Top edge", "a band on the top edge"},
    {"Bottom edge", "a band on the bottom edge"},
    {"Left edge", "a band on the left edge"},
    {"Right edge", "a band on the right edge"},
    {"Top & bottom", "bands on the top and bottom"},
    {"Left & right", "bands on the left and right"},
}};

} // namespace

std::string_view rawValue(FlashEdge edge) {
    constexpr std::array<std::string_view, 4> names{"top", "bottom", "left", "right"};
    return names[static_cast<size_t>(edge)];
}

std::vector<FlashEdge> FlashStyleInfo::edges(FlashStyle style) {
    using E = FlashEdge;
    switch (style) {
    case FlashStyle::fullScreen:
        return {};
    case FlashStyle::edge:
        return {E::top, E::bottom, E::left, E::right};
    case FlashStyle::edgeTop:
        return {E::top};
    case FlashStyle::edgeBottom:
        return {E::bottom};
    case FlashStyle::edgeLeft:
        return {E::left};
    case FlashStyle::edgeRight:
        return {E::right};
    case FlashStyle::edgeTopBottom:
        return {E::top, E::bottom};
    case FlashStyle::edgeLeftRight:
        return {E::left, E::right};
    }
    return {};
}

std::string_view FlashStyleInfo::title(FlashStyle style) {
    return styleTexts[static_cast<size_t>(style)].title;
}

std::string_view FlashStyleInfo::description(FlashStyle style) {
    return styleTexts[static_cast<size_t>(style)].description;
}

std::string FlashStyleInfo::pickerLine(FlashStyle style) {
    return "Screen flash: " + std::string(title(style)) + " - " + std::string(description(style));
}

} // namespace corvale
