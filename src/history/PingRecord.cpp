#include "history/PingRecord.h"

#include "core/Rule.h"
#include "core/Text.h"
#include "history/Iso8601.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

namespace {

std::string oneLine(std::string_view text) {
    auto line = validUtf8(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    return trimmed(line);
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
        auto head = firstCharacters(line, previewLimit);
        if (!head) {
            return line;
        }
        return trimmed(*head) + "\u2026";
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
