#include "core/Rule.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace corvale;
using nlohmann::json;

namespace {

json minimal() {
    return {{"id", "0F8FAD5B-D9CB-469F-A165-70867728950E"},
            {"appBundleId", "Slack"},
            {"appDisplayName", "Slack"}};
}

bool decodes(const json& object) {
    try {
        ruleFromJson(object);
        return true;
    } catch (const DecodeError&) {
        return false;
    }
}

} // namespace

TEST(Rule, missingOptionalKeysTakeTheirDefaults) {
    Rule rule = ruleFromJson(minimal());
    EXPECT_EQ(rule.id.str(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_TRUE(rule.enabled);
    EXPECT_FALSE(rule.condition);
    EXPECT_EQ(rule.sound, SoundRef::builtin("Submarine"));
    EXPECT_EQ(rule.volume, 1.0);
    EXPECT_FALSE(rule.flashMenuBar);
    EXPECT_FALSE(rule.flashScreen);
    EXPECT_EQ(rule.flashStyle, FlashStyle::fullScreen);
    EXPECT_FALSE(rule.flashColor || rule.flashIntensity || rule.flashDuration || rule.flashRepeat);
    EXPECT_TRUE(rule.respectFocus);
    EXPECT_FALSE(rule.nativeSoundMuted);
    EXPECT_FALSE(rule.respectSuppressSound || rule.useAppSound);

    json nulls = minimal();
    nulls["enabled"] = nullptr;
    nulls["flashColor"] = nullptr;
    Rule fromNulls = ruleFromJson(nulls);
    EXPECT_TRUE(fromNulls.enabled) << "null counts as missing";
    EXPECT_FALSE(fromNulls.flashColor);
}

TEST(Rule, outOfRangeValuesAreBroughtIntoRangeOrDropped) {
    json object = minimal();
    object["volume"] = 3.5;
    object["flashColor"] = {{"r", 1.5}, {"g", 0.5}, {"b", -0.2}};
    object["flashRepeat"] = 0;
    object["flashIntensity"] = "bright";
    object["flashDuration"] = "Long";
    object["flashStyle"] = "sideways";
    Rule rule = ruleFromJson(object);
    EXPECT_EQ(rule.volume, 2.0);
    EXPECT_EQ(rule.flashColor, (FlashColor{1.0, 0.5, 0.0}));
    EXPECT_FALSE(rule.flashRepeat);
    EXPECT_FALSE(rule.flashIntensity);
    EXPECT_FALSE(rule.flashDuration) << "raw values are case-sensitive";
    EXPECT_EQ(rule.flashStyle, FlashStyle::fullScreen);

    object["volume"] = -1;
    object["flashRepeat"] = 5;
    EXPECT_EQ(ruleFromJson(object).volume, 0.0);
    EXPECT_FALSE(ruleFromJson(object).flashRepeat);
    object["flashRepeat"] = 2;
    EXPECT_EQ(ruleFromJson(object).flashRepeat, 2);
}

TEST(Rule, malformedObjectsFailToDecode) {
    for (const char* key : {"id", "appBundleId", "appDisplayName"}) {
        json object = minimal();
        object.erase(key);
        EXPECT_FALSE(decodes(object)) << "missing " << key;
        object[key] = nullptr;
        EXPECT_FALSE(decodes(object)) << "null " << key;
    }
    const std::pair<const char*, json> wrong[] = {
        {"id", "not-a-uuid"},
        {"enabled", "yes"}, // a text where a boolean belongs
        {"sound", {{"type", "beep"}, {"value", "x"}}},
        {"sound", {{"type", "file"}, {"value", "http://example.com/a.wav"}}},
        {"flashColor", {{"r", 1}, {"g", 1}}},
        {"condition", {{"type", "senderIs"}, {"value", "x"}}},
        {"condition", {{"type", "regex"}}},
    };
    for (const auto& [key, value] : wrong) {
        json object = minimal();
        object[key] = value;
        EXPECT_FALSE(decodes(object)) << key << " " << value;
    }

    EXPECT_FALSE(decodes(json::array()));
    EXPECT_FALSE(decodes("rule"));
}

TEST(Rule, soundReferencesReadAndWriteTheirStoredForms) {
    json silent = minimal();
    silent["sound"] = {{"type", "silent"}, {"value", "stray"}};
    EXPECT_TRUE(ruleFromJson(silent).sound.isSilent());
    EXPECT_FALSE(toJson(ruleFromJson(silent))["sound"].contains("value"));

    json file = minimal();
    file["sound"] = {{"type", "file"}, {"value", "file:///home/ann/My%20Sounds/caf%C3%A9.wav"}};
    Rule rule = ruleFromJson(file);
    auto* ref = std::get_if<SoundRef::File>(&rule.sound.value);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->url.path(), "/home/ann/My Sounds/caf\xC3\xA9.wav");
    EXPECT_EQ(toJson(rule)["sound"]["value"], "file:///home/ann/My%20Sounds/caf%C3%A9.wav");
}

TEST(Rule, encodingOmitsOnlyAbsentOptionalsAndRoundTrips) {
    Rule plain = Rule::fallback();
    json written = toJson(plain);
    for (const char* key : {"condition", "flashColor", "flashIntensity", "flashDuration",
                            "flashRepeat", "respectSuppressSound", "useAppSound"}) {
        EXPECT_FALSE(written.contains(key)) << key;
    }
    for (const char* key :
         {"id", "appBundleId", "appDisplayName", "enabled", "sound", "volume", "flashMenuBar",
          "flashScreen", "flashStyle", "respectFocus", "nativeSoundMuted"}) {
        EXPECT_TRUE(written.contains(key)) << key;
    }
    EXPECT_EQ(ruleFromJson(written), plain);

    Rule full = plain;
    full.appBundleId = "Mail";
    full.appDisplayName = "Mail";
    full.condition = Condition{Condition::Type::regex, "deploy|release"};
    full.sound = SoundRef::file(FileUrl::fromPath("/tmp/a b.wav"));
    full.volume = 1.5;
    full.flashColor = FlashColor{0.2, 0.4, 0.6};
    full.flashStyle = FlashStyle::edgeLeftRight;
    full.flashIntensity = FlashIntensity::strong;
    full.flashDuration = FlashDuration::long_;
    full.flashRepeat = 3;
    full.respectFocus = false;
    full.nativeSoundMuted = true;
    full.respectSuppressSound = true;
    full.useAppSound = true;
    EXPECT_EQ(toJson(full)["respectSuppressSound"], true);
    EXPECT_EQ(toJson(full)["useAppSound"], true);
    EXPECT_EQ(ruleFromJson(json::parse(toJson(full).dump())), full);
}

TEST(Rule, fallbackIsTheDefaultRuleWithAFreshId) {
    EXPECT_NE(Rule::fallback().id, Rule::fallback().id);
    EXPECT_TRUE(Rule::fallback().isDefault());
}
