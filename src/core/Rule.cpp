#include "core/Rule.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace corvale {

using nlohmann::json;

namespace {

// A JSON null counts as a missing key.
const json* member(const json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return nullptr;
    }
    return &*found;
}

const json& required(const json& object, const char* key) {
    if (const json* value = member(object, key)) {
        return *value;
    }
    throw DecodeError(std::string("key \"") + key + "\" missing");
}

[[noreturn]] void wrongType(const char* key, const char* expected) {
    throw DecodeError(std::string("key \"") + key + "\" is not " + expected);
}

std::string textOf(const json& value, const char* key) {
    if (!value.is_string()) {
        wrongType(key, "a string");
    }
    return value.get<std::string>();
}

bool boolOr(const json& object, const char* key, bool fallback) {
    const json* value = member(object, key);
    if (!value) {
        return fallback;
    }
    if (!value->is_boolean()) {
        wrongType(key, "a boolean");
    }
    return value->get<bool>();
}

double numberOf(const json& value, const char* key) {
    if (!value.is_number()) {
        wrongType(key, "a number");
    }
    return value.get<double>();
}

double clamped(double value, double low, double high) {
    if (std::isnan(value)) {
        return low;
    }
    return std::clamp(value, low, high);
}

SoundRef soundFromJson(const json& object) {
    if (!object.is_object()) {
        wrongType("sound", "an object");
    }
    auto type = textOf(required(object, "type"), "type");
    if (type == "silent") {
        return SoundRef::silent();
    }
    auto value = textOf(required(object, "value"), "value");
    if (type == "builtin") {
        return SoundRef::builtin(std::move(value));
    }
    if (type == "file") {
        auto url = FileUrl::parse(value);
        if (!url) {
            throw DecodeError("sound value \"" + value + "\" is not a file URL");
        }
        return SoundRef::file(std::move(*url));
    }
    throw DecodeError("unknown sound type \"" + type + "\"");
}

json soundToJson(const SoundRef& sound) {
    if (auto* builtin = std::get_if<SoundRef::Builtin>(&sound.value)) {
        return {{"type", "builtin"}, {"value", builtin->name}};
    }
    if (auto* file = std::get_if<SoundRef::File>(&sound.value)) {
        return {{"type", "file"}, {"value", file->url.str()}};
    }
    return {{"type", "silent"}};
}

std::string_view conditionTypeName(Condition::Type type) {
    switch (type) {
    case Condition::Type::titleContains:
        return "titleContains";
    case Condition::Type::bodyContains:
        return "bodyContains";
    case Condition::Type::regex:
        return "regex";
    }
    return "titleContains";
}

Condition conditionFromJson(const json& object) {
    if (!object.is_object()) {
        wrongType("condition", "an object");
    }
    auto type = textOf(required(object, "type"), "type");
    auto value = textOf(required(object, "value"), "value");
    if (type == "titleContains") {
        return {Condition::Type::titleContains, std::move(value)};
    }
    if (type == "bodyContains") {
        return {Condition::Type::bodyContains, std::move(value)};
    }
    if (type == "regex") {
        return {Condition::Type::regex, std::move(value)};
    }
    throw DecodeError("unknown condition type \"" + type + "\"");
}

} // namespace

std::string_view rawValue(ConditionKind kind) {
    switch (kind) {
    case ConditionKind::any:
        return "any";
    case ConditionKind::titleContains:
        return "titleContains";
    case ConditionKind::bodyContains:
        return "bodyContains";
    case ConditionKind::regex:
        return "regex";
    }
    return "any";
}

std::optional<ConditionKind> conditionKindFromRaw(std::string_view raw) {
    for (auto kind : allConditionKinds) {
        if (rawValue(kind) == raw) {
            return kind;
        }
    }
    return std::nullopt;
}

Rule Rule::fallback() {
    Rule rule;
    rule.id = Uuid::random();
    rule.appBundleId = defaultAppKey;
    rule.appDisplayName = "All other apps";
    return rule;
}

json toJson(const Rule& rule) {
    json object = {
        {"id", rule.id.str()},
        {"appBundleId", rule.appBundleId},
        {"appDisplayName", rule.appDisplayName},
        {"enabled", rule.enabled},
        {"sound", soundToJson(rule.sound)},
        {"volume", rule.volume},
        {"flashMenuBar", rule.flashMenuBar},
        {"flashScreen", rule.flashScreen},
        {"flashStyle", rawValue(rule.flashStyle)},
        {"respectFocus", rule.respectFocus},
        {"nativeSoundMuted", rule.nativeSoundMuted},
    };
    if (rule.condition) {
        object["condition"] = {{"type", conditionTypeName(rule.condition->type)},
                               {"value", rule.condition->value}};
    }
    if (rule.flashColor) {
        object["flashColor"] = {
            {"r", rule.flashColor->r}, {"g", rule.flashColor->g}, {"b", rule.flashColor->b}};
    }
    if (rule.flashIntensity) {
        object["flashIntensity"] = rawValue(*rule.flashIntensity);
    }
    if (rule.flashDuration) {
        object["flashDuration"] = rawValue(*rule.flashDuration);
    }
    if (rule.flashRepeat) {
        object["flashRepeat"] = *rule.flashRepeat;
    }
    // Only when set, so files of rules without it stay as they were.
    if (rule.respectSuppressSound) {
        object["respectSuppressSound"] = true;
    }
    if (rule.useAppSound) {
        object["useAppSound"] = true;
    }
    return object;
}

Rule ruleFromJson(const json& object) {
    if (!object.is_object()) {
        throw DecodeError("a rule is not an object");
    }
    Rule rule;
    auto idText = textOf(required(object, "id"), "id");
    auto id = Uuid::parse(idText);
    if (!id) {
        throw DecodeError("id \"" + idText + "\" is not a UUID");
    }
    rule.id = *id;
    rule.appBundleId = textOf(required(object, "appBundleId"), "appBundleId");
    rule.appDisplayName = textOf(required(object, "appDisplayName"), "appDisplayName");
    rule.enabled = boolOr(object, "enabled", true);
    if (const json* condition = member(object, "condition")) {
        rule.condition = conditionFromJson(*condition);
    }
    if (const json* sound = member(object, "sound")) {
        rule.sound = soundFromJson(*sound);
    }
    if (const json* volume = member(object, "volume")) {
        rule.volume = clamped(numberOf(*volume, "volume"), 0.0, 2.0);
    }
    rule.flashMenuBar = boolOr(object, "flashMenuBar", false);
    rule.flashScreen = boolOr(object, "flashScreen", false);
    if (const json* color = member(object, "flashColor")) {
        if (!color->is_object()) {
            wrongType("flashColor", "an object");
        }
        rule.flashColor = FlashColor{clamped(numberOf(required(*color, "r"), "r"), 0.0, 1.0),
                                     clamped(numberOf(required(*color, "g"), "g"), 0.0, 1.0),
                                     clamped(numberOf(required(*color, "b"), "b"), 0.0, 1.0)};
    }
    if (const json* style = member(object, "flashStyle")) {
        rule.flashStyle =
            flashStyleFromRaw(textOf(*style, "flashStyle")).value_or(FlashStyle::fullScreen);
    }
    if (const json* intensity = member(object, "flashIntensity")) {
        rule.flashIntensity = flashIntensityFromRaw(textOf(*intensity, "flashIntensity"));
    }
    if (const json* duration = member(object, "flashDuration")) {
        rule.flashDuration = flashDurationFromRaw(textOf(*duration, "flashDuration"));
    }
    if (const json* repeat = member(object, "flashRepeat")) {
        double count = numberOf(*repeat, "flashRepeat");
        if (count == 1.0 || count == 2.0 || count == 3.0) {
            rule.flashRepeat = static_cast<int>(count);
        }
    }
    rule.respectFocus = boolOr(object, "respectFocus", true);
    rule.nativeSoundMuted = boolOr(object, "nativeSoundMuted", false);
    rule.respectSuppressSound = boolOr(object, "respectSuppressSound", false);
    rule.useAppSound = boolOr(object, "useAppSound", false);
    return rule;
}

} // namespace corvale
