#include "signals/FlashPalette.h"

#include "core/Text.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstdint>

namespace corvale {
namespace {

// Lower case (not case folding, which would turn "ß" into "ss"), so every name keeps the colour
// its lower-cased bytes pick.
std::string lowercased(const std::string& text) {
    auto unicode = icu::UnicodeString::fromUTF8(text);
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

} // namespace

const std::array<const char*, 10>& FlashPalette::names() {
    static constexpr std::array<const char*, 10> names{"Blue", "Red",  "Green",  "Orange", "Purple",
                                                       "Cyan", "Pink", "Yellow", "Indigo", "Brown"};
    return names;
}

const std::array<FlashColor, 10>& FlashPalette::colors() {
    static const std::array<FlashColor, 10> palette{
        FlashColor::fromHex("#1E88E5"), FlashColor::fromHex("#E53935"),
        FlashColor::fromHex("#43A047"), FlashColor::fromHex("#FB8C00"),
        FlashColor::fromHex("#8E24AA"), FlashColor::fromHex("#00ACC1"),
        FlashColor::fromHex("#D81B60"), FlashColor::fromHex("#FDD835"),
        FlashColor::fromHex("#3949AB"), FlashColor::fromHex("#6D4C41")};
    return palette;
}

FlashColor FlashPalette::color(std::string_view forApp) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : lowercased(trimmed(forApp))) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return colors()[hash % colors().size()];
}

FlashColor FlashPalette::labelTextColor(const FlashColor& fill) {
    return fill.luminance() > 0.55 ? FlashColor{0, 0, 0} : FlashColor{1, 1, 1};
}

} // namespace corvale
