#include "core/Text.h"

#include <memory>
#include <mutex>
#include <optional>
#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace corvale {
namespace {

icu::UnicodeString fromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

bool isSpace(UChar32 c) {
    return u_isUWhiteSpace(c) || c == 0x0085 || c == 0x2028 || c == 0x2029;
}

} // namespace

std::string trimmed(std::string_view text) {
    // Walk code points from both ends; invalid bytes count as non-space and are kept.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t length = static_cast<int32_t>(text.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !isSpace(c)) {
            break;
        }
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !isSpace(c)) {
            break;
        }
        end = previous;
    }
    return std::string(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

std::string caseFolded(std::string_view text) {
    auto folded = fromUtf8(text);
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    return toUtf8(folded);
}

std::string nameKey(std::string_view name) {
    return caseFolded(trimmed(name));
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    auto h = fromUtf8(haystack);
    auto n = fromUtf8(needle);
    h.foldCase(U_FOLD_CASE_DEFAULT);
    n.foldCase(U_FOLD_CASE_DEFAULT);
    return h.indexOf(n) >= 0;
}

bool localizedCaseInsensitiveLess(std::string_view a, std::string_view b) {
    static std::once_flag once;
    static std::unique_ptr<icu::Collator> collator;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        // The C and POSIX locales reach ICU as en_US_POSIX, whose collation is ASCII order with
        // letter case as a primary difference; the root collation is the neutral order there.
        auto locale = icu::Locale::getDefault();
        if (std::string_view(locale.getName()) == "en_US_POSIX") {
            locale = icu::Locale::getRoot();
        }
        collator.reset(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status)) {
            collator.reset();
            return;
        }
        // Secondary strength ignores letter case but keeps accents apart.
        collator->setStrength(icu::Collator::SECONDARY);
    });
    if (!collator) {
        return caseFolded(a) < caseFolded(b);
    }
    UErrorCode status = U_ZERO_ERROR;
    auto result =
        collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                              icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    return U_SUCCESS(status) && result == UCOL_LESS;
}

std::string validUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t length = static_cast<int32_t>(text.size());
    std::string out;
    out.reserve(text.size());
    int32_t i = 0;
    while (i < length) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(text.data() + start, static_cast<size_t>(i - start));
        }
    }
    return out;
}

namespace {

// The UTF-16 offset just past the first `limit` grapheme clusters, or none when the text has no
// more than `limit` of them.
std::optional<int32_t> clusterCutOffset(const icu::UnicodeString& text, int limit) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !clusters) {
        // Without break data, code points are the nearest thing to characters.
        if (text.countChar32() <= limit) {
            return std::nullopt;
        }
        return text.moveIndex32(0, limit);
    }
    clusters->setText(text);
    int32_t offset = clusters->first();
    for (int n = 0; n < limit; ++n) {
        offset = clusters->next();
        if (offset == icu::BreakIterator::DONE) {
            return std::nullopt;
        }
    }
    if (clusters->next() == icu::BreakIterator::DONE) {
        return std::nullopt;
    }
    return offset;
}

} // namespace

std::optional<std::string> firstCharacters(std::string_view text, int limit) {
    auto utf16 = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    auto cut = clusterCutOffset(utf16, limit);
    if (!cut) {
        return std::nullopt;
    }
    std::string head;
    utf16.tempSubString(0, *cut).toUTF8String(head);
    return head;
}

std::string isolated(std::string_view outside) {
    const auto text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(outside.data(), static_cast<int32_t>(outside.size())));
    icu::UnicodeString kept;
    bool needed = false;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        switch (u_charDirection(c)) {
        case U_LEFT_TO_RIGHT_ISOLATE:
        case U_RIGHT_TO_LEFT_ISOLATE:
        case U_FIRST_STRONG_ISOLATE:
        case U_POP_DIRECTIONAL_ISOLATE:
            needed = true;
            continue;
        case U_RIGHT_TO_LEFT:
        case U_RIGHT_TO_LEFT_ARABIC:
        case U_ARABIC_NUMBER:
        case U_LEFT_TO_RIGHT_EMBEDDING:
        case U_LEFT_TO_RIGHT_OVERRIDE:
        case U_RIGHT_TO_LEFT_EMBEDDING:
        case U_RIGHT_TO_LEFT_OVERRIDE:
        case U_POP_DIRECTIONAL_FORMAT:
            needed = true;
            break;
        default:
            break;
        }
        kept.append(c);
    }
    if (!needed) {
        return std::string(outside);
    }
    std::string out = "\u2068";
    kept.toUTF8String(out);
    return out + "\u2069";
}

} // namespace corvale
