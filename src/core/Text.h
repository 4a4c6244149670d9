#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// Removes white space and line breaks (Unicode's White_Space) from both ends.
std::string trimmed(std::string_view text);

// Unicode full case folding, no locale: the form for comparing without regard to case.
std::string caseFolded(std::string_view text);

// The identity of an application name: trimmed and case-folded. Empty means "no name".
std::string nameKey(std::string_view name);

// Case-insensitive substring search by case folding; an empty needle is found everywhere.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

// Ordering for lists shown to people: case-insensitive, by the user's locale.
bool localizedCaseInsensitiveLess(std::string_view a, std::string_view b);

// The value of one hexadecimal digit of either case; -1 for any other character.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The first `limit` characters (grapheme clusters, so an emoji or an accented letter is never
// split), or none when the text has no more than `limit` of them.
std::optional<std::string> firstCharacters(std::string_view text, int limit);

// Text from outside (an app's, a sound's or a file's name) as it goes into a sentence of ours: a
// run isolated by U+2068 ... U+2069 when it holds right-to-left letters or direction controls, so
// it can never reorder the words around it; other text is returned as it is, since it cannot.
// Isolate controls inside are dropped, so none of them can end the run early.
std::string isolated(std::string_view outside);

// Replaces bytes that are not valid UTF-8 with U+FFFD, so text from outside is safe to process.
std::string validUtf8(std::string_view text);

} // namespace corvale
