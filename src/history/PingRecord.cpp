#include "history/PingRecord.h"

#include "core/Rule.h"
#include "core/Text.h"
#include "history/Iso8601.h"

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

namespace corvale {

using nlohmann::json;

namespace {

std::string oneLine(std::string_view text) {
    auto line = validUtf8(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    return trimmed(line);
}

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

const json& required(const json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        throw DecodeError(std::string("key \"") + key + "\" missing");
    }
    if (!found->is_string()) {
        throw DecodeError(std::string("key \"") + key + "\" is not a string");
    }
    return *found;
}

} // namespace

std::optional<std::string>
PingRecord::previewText(std::string_view title, std::string_view subtitle, std::string_view body) {
    for (auto text : {title, subtitle, body}) {
        auto line = oneLine(text);
        if (line.empty()) {
            continue;
        }
        auto utf16 = icu::UnicodeString::fromUTF8(
            icu::StringPiece(line.data(), static_cast<int32_t>(line.size())));
        auto cut = clusterCutOffset(utf16, previewLimit);
        if (!cut) {
            return line;
        }
        std::string head;
        utf16.tempSubString(0, *cut).toUTF8String(head);
        return trimmed(head) + "\u2026";
    }
    return std::nullopt;
}

json toJson(const PingRecord& record) {
    json object = {{"appName", record.appName}, {"timestamp", Iso8601::format(record.timestamp)}};
    if (record.preview) {
        object["preview"] = *record.preview;
    }
    return object;
}

PingRecord pingRecordFromJson(const json& object) {
    if (!object.is_object()) {
        throw DecodeError("a ping record is not an object");
    }
    PingRecord record;
    record.appName = required(object, "appName").get<std::string>();
    auto stamp = required(object, "timestamp").get<std::string>();
    auto time = Iso8601::parse(stamp);
    if (!time) {
        throw DecodeError("timestamp \"" + stamp + "\" is not an internet date-time");
    }
    record.timestamp = *time;
    auto preview = object.find("preview");
    if (preview != object.end() && !preview->is_null()) {
        if (!preview->is_string()) {
            throw DecodeError("key \"preview\" is not a string");
        }
        record.preview = preview->get<std::string>();
    }
    return record;
}

} // namespace corvale
