#pragma once

#include "core/FileUrl.h"
#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/Uuid.h"

#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace corvale {

// Thrown while decoding a stored record; the stores catch it and treat the file as unreadable.
struct DecodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a rule plays: a named sound, a sound file, or nothing.
struct SoundRef {
    struct Builtin {
        std::string name;
        friend bool operator==(const Builtin&, const Builtin&) = default;
    };
    struct File {
        FileUrl url;
        friend bool operator==(const File&, const File&) = default;
    };
    struct Silent {
        friend bool operator==(const Silent&, const Silent&) = default;
    };
    std::variant<Builtin, File, Silent> value;

    static SoundRef builtin(std::string name) { return {Builtin{std::move(name)}}; }
    static SoundRef file(FileUrl url) { return {File{std::move(url)}}; }
    static SoundRef silent() { return {Silent{}}; }
    // The tone of new rules and of the default rule, also played when a named sound is missing.
    static constexpr std::string_view defaultToneName = "Submarine";
    static SoundRef defaultTone() { return builtin(std::string(defaultToneName)); }
    bool isSilent() const { return std::holds_alternative<Silent>(value); }

    friend bool operator==(const SoundRef&, const SoundRef&) = default;
};

// A content condition of a rule; every case carries one operand text.
struct Condition {
    enum class Type { titleContains, bodyContains, regex };
    Type type = Type::titleContains;
    std::string value;

    friend bool operator==(const Condition&, const Condition&) = default;
};

// The rule editor's choice: no condition, or one of the three condition types.
enum class ConditionKind { any, titleContains, bodyContains, regex };
inline constexpr std::array<ConditionKind, 4> allConditionKinds{
    ConditionKind::any, ConditionKind::titleContains, ConditionKind::bodyContains,
    ConditionKind::regex};
std::string_view rawValue(ConditionKind kind);
std::optional<ConditionKind> conditionKindFromRaw(std::string_view raw);

struct Rule {
    Uuid id;
    std::string appBundleId;
    std::string appDisplayName;
    bool enabled = true;
    std::optional<Condition> condition;
    SoundRef sound = SoundRef::defaultTone();
    double volume = 1.0;
    bool flashMenuBar = false;
    bool flashScreen = false;
    std::optional<FlashColor> flashColor;
    FlashStyle flashStyle = FlashStyle::fullScreen;
    std::optional<FlashIntensity> flashIntensity;
    std::optional<FlashDuration> flashDuration;
    std::optional<int> flashRepeat;
    bool respectFocus = true;
    bool nativeSoundMuted = false;
    // Play nothing for a notification that carries the "suppress-sound" hint.
    bool respectSuppressSound = false;
    // Play the sound the notification names (its "sound-file" or "sound-name" hint); `sound`
    // plays when it names none or its sound cannot be played.
    bool useAppSound = false;

    static constexpr const char* defaultAppKey = "*";

    // The built-in default rule for all other applications, with a fresh id.
    static Rule fallback();
    bool isDefault() const { return appBundleId == defaultAppKey; }

    friend bool operator==(const Rule&, const Rule&) = default;
};

nlohmann::json toJson(const Rule& rule);
// Throws DecodeError when the object is not a rule.
Rule ruleFromJson(const nlohmann::json& object);

} // namespace corvale
