// Text from any notification: markup stripping and the UTF-8 cuts give valid UTF-8 within their
// bounds, and reading a desktop entry's name never fails on any contents.

#include "FuzzSupport.h"

#include "detect/linux/NotificationText.h"

using namespace corvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::text(data, size);
    // The first byte picks the bound, so cuts land at every position of multi-byte characters.
    const std::size_t bound = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 64;

    const auto bytes = notificationText::boundedBytes(input, bound);
    fuzz::expect(bytes.size() <= bound, "a byte cut stays within its bound");
    fuzz::expect(fuzz::isValidUtf8(bytes), "a byte cut is valid UTF-8");

    const auto characters = notificationText::boundedCharacters(input, bound);
    fuzz::expect(fuzz::codePoints(characters) <= bound, "a character cut stays within its bound");
    fuzz::expect(fuzz::isValidUtf8(characters), "a character cut is valid UTF-8");

    const auto plain = notificationText::plainText(notificationText::boundedBytes(input, 1 << 16));
    fuzz::expect(fuzz::isValidUtf8(plain), "text without its markup is valid UTF-8");
    fuzz::expect(input.find('<') != std::string_view::npos ||
                     input.find('&') != std::string_view::npos || plain.size() <= size * 3,
                 "text without markup only gains replacement characters");

    if (auto name = notificationText::desktopEntryName(input)) {
        fuzz::expect(!name->empty() && fuzz::isValidUtf8(*name),
                     "a desktop entry's name is valid UTF-8 text");
    }
    return 0;
}
