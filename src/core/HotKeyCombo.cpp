#include "core/HotKeyCombo.h"

#include <algorithm>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace corvale {

const std::map<std::uint32_t, std::string>& HotKeyCombo::specialLabels() {
    static const std::map<std::uint32_t, std::string> labels = [] {
        std::map<std::uint32_t, std::string> table{
            {0, "A"},      {1, "S"},           {2, "D"},          {3, "F"},
            {4, "H"},      {5, "G"},           {6, "Z"},          {7, "X"},
            {8, "C"},      {9, "V"},           {11, "B"},         {12, "Q"},
            {13, "W"},     {14, "E"},          {15, "R"},         {16, "Y"},
            {17, "T"},     {31, "O"},          {32, "U"},         {34, "I"},
            {35, "P"},     {37, "L"},          {38, "J"},         {40, "K"},
            {45, "N"},     {46, "M"},          {18, "1"},         {19, "2"},
            {20, "3"},     {21, "4"},          {22, "6"},         {23, "5"},
            {25, "9"},     {26, "7"},          {28, "8"},         {29, "0"},
            {24, "="},     {27, "-"},          {30, "]"},         {33, "["},
            {39, "'"},     {41, ";"},          {42, "\\"},        {43, ","},
            {44, "/"},     {47, "."},          {50, "`"},         {36, "Return"},
            {48, "Tab"},   {49, "Space"},      {51, "BackSpace"}, {53, "Escape"},
            {76, "Enter"}, {117, "Delete"},    {123, "Left"},     {124, "Right"},
            {125, "Down"}, {126, "Up"},        {115, "Home"},     {116, "Page Up"},
            {119, "End"},  {121, "Page Down"},
        };
        for (size_t i = 0; i < functionKeyCodes.size(); ++i) {
            table[functionKeyCodes[i]] = "F" + std::to_string(i + 1);
        }
        return table;
    }();
    return labels;
}

bool HotKeyCombo::isFunctionKey(std::uint32_t keyCode) {
    return std::find(functionKeyCodes.begin(), functionKeyCodes.end(), keyCode) !=
           functionKeyCodes.end();
}

std::string HotKeyCombo::keyLabel(std::uint32_t keyCode) {
    const auto& labels = specialLabels();
    auto found = labels.find(keyCode);
    return found != labels.end() ? found->second : "Key " + std::to_string(keyCode);
}

std::optional<std::string> HotKeyCombo::layoutLabel(std::string_view produced) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(produced.data());
    const auto length = static_cast<int32_t>(produced.size());
    if (length == 0) {
        return std::nullopt;
    }
    int32_t offset = 0;
    UChar32 first;
    U8_NEXT(bytes, offset, length, first);
    if (first < 0x20 || first == 0x7F || (first >= 0xF700 && first <= 0xF8FF) ||
        u_isUWhiteSpace(first) || first == 0x0085 || first == 0x2028 || first == 0x2029) {
        return std::nullopt; // a negative value is a malformed sequence: no label either
    }
    auto text = icu::UnicodeString::fromUTF8(icu::StringPiece(produced.data(), length));
    text.toUpper(icu::Locale::getRoot());
    std::string upper;
    text.toUTF8String(upper);
    return upper;
}

bool HotKeyCombo::isRegistrable() const {
    const auto needed =
        HotKeyModifiers::control | HotKeyModifiers::option | HotKeyModifiers::command;
    return isFunctionKey(keyCode) || (modifiers.rawValue & needed.rawValue) != 0;
}

std::string HotKeyCombo::displayText() const {
    return modifiers.displayString() + keyLabel(keyCode);
}

HotKeyCombo::Stored HotKeyCombo::stored(const std::optional<HotKeyCombo>& combo) {
    if (!combo) {
        return {};
    }
    return {std::int64_t{combo->keyCode}, std::int64_t{combo->modifiers.rawValue}};
}

std::optional<HotKeyCombo> HotKeyCombo::fromStored(std::optional<std::int64_t> keyCode,
                                                   std::optional<std::int64_t> modifiers) {
    if (!keyCode || *keyCode < 0) {
        return std::nullopt;
    }
    const auto low32 = [](std::int64_t value) {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFF'FFFFu);
    };
    return HotKeyCombo{low32(*keyCode), HotKeyModifiers{low32(modifiers.value_or(0))}};
}

} // namespace corvale
