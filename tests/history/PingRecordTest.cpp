#include "history/PingRecord.h"

#include "core/Rule.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace corvale {
namespace {

using namespace std::chrono;
using nlohmann::json;

const std::string ellipsis = "\u2026";

std::string repeated(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += unit;
    }
    return out;
}

TEST(PingRecord, previewIsTheFirstNonBlankTextOnOneLine) {
    EXPECT_EQ(PingRecord::previewText("", "Subtitle", "Body"), "Subtitle");
    EXPECT_EQ(PingRecord::previewText(" \n\r\t", "", "  Body  "), "Body");
    EXPECT_EQ(PingRecord::previewText("Line one\nline two\r\nthree", "Sub", ""),
              "Line one line two  three");
    EXPECT_EQ(PingRecord::previewText("", " ", "\n"), std::nullopt);
}

TEST(PingRecord, previewIsCutAt140UserPerceivedCharacters) {
    auto exact = repeated("a", 140);
    EXPECT_EQ(PingRecord::previewText(exact, "", ""), exact) << "140 characters stay whole";

    auto long200 = repeated("a", 200);
    EXPECT_EQ(PingRecord::previewText(long200, "", ""), repeated("a", 140) + ellipsis);

    // Blanks at the cut are trimmed before the ellipsis.
    auto spaced = repeated("a", 137) + "   " + repeated("b", 10);
    EXPECT_EQ(PingRecord::previewText(spaced, "", ""), repeated("a", 137) + ellipsis);

    // An "e" with a combining acute accent is one character of two code points.
    const std::string accented = "e\u0301";
    EXPECT_EQ(PingRecord::previewText(repeated(accented, 140), "", ""), repeated(accented, 140));
    EXPECT_EQ(PingRecord::previewText(repeated("a", 139) + accented + "zz", "", ""),
              repeated("a", 139) + accented + ellipsis)
        << "the accent stays with its letter at the cut";

    // A family emoji is four people joined by zero-width joiners: one character, 25 bytes.
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
    EXPECT_EQ(PingRecord::previewText(repeated(family, 140), "", ""), repeated(family, 140));
    EXPECT_EQ(PingRecord::previewText(repeated("a", 139) + family + family, "", ""),
              repeated("a", 139) + family + ellipsis);
}

TEST(PingRecord, previewOfInvalidUtf8IsValidText) {
    std::string garbage = "\xff\xfe\xc3";
    auto preview = PingRecord::previewText(garbage + repeated("\x80", 300), "", "");
    ASSERT_TRUE(preview.has_value());
    EXPECT_NO_THROW((void)json(*preview).dump()) << "the preview must be storable";
    EXPECT_TRUE(preview->ends_with(ellipsis));
}

TEST(PingRecord, aNullPreviewReadsAsNone) {
    EXPECT_EQ(
        pingRecordFromJson(
            json::parse(
                R"({"appName": "Slack", "timestamp": "2026-03-01T09:05:00Z", "preview": null})"))
            .preview,
        std::nullopt);
}

TEST(PingRecord, malformedRecordsDoNotDecode) {
    for (const char* text : {
             R"({"timestamp": "2026-03-01T09:05:00Z"})",
             R"({"appName": "Slack"})",
             R"({"appName": 7, "timestamp": "2026-03-01T09:05:00Z"})",
             R"({"appName": "Slack", "timestamp": 794000000})",
             R"({"appName": "Slack", "timestamp": "2026-03-01T09:05:00.5Z"})",
             R"({"appName": "Slack", "timestamp": "2026-03-01T09:05:00Z", "preview": 3})",
             R"(["Slack"])",
         }) {
        EXPECT_THROW(pingRecordFromJson(json::parse(text)), DecodeError) << text;
    }
}

} // namespace
} // namespace corvale
