#include "core/AccentTheme.h"
#include "core/FileUrl.h"
#include "core/FlashColor.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/Uuid.h"

#include <gtest/gtest.h>

using namespace corvale;

TEST(FlashColor, hexReaderAcceptsOnlySixDigitsAndNeverFails) {
    FlashColor blue = FlashColor::fromHex("1E88E5");
    EXPECT_EQ(FlashColor::fromHex("  #1e88e5\n"), blue);
    EXPECT_NEAR(blue.r, 0x1E / 255.0, 1e-12);
    EXPECT_EQ(blue.hexString(), "#1E88E5");
    for (const char* bad : {"1E88E", "#1E88E5F", "##1E88E5", "#GG0000", "", "#-10000"}) {
        EXPECT_EQ(FlashColor::fromHex(bad), FlashColor{}) << bad;
    }
    EXPECT_EQ((FlashColor{1.0, 0.5, 0.0}).hexString(), "#FF8000");
}

TEST(FlashColor, luminanceAndContrastRatio) {
    const FlashColor black, white{1, 1, 1};
    EXPECT_NEAR(FlashColor::fromHex("#808080").luminance(), 0.50196, 1e-5);
    EXPECT_NEAR(FlashColor::fromHex("#1E88E5").luminance(), 0.47129, 1e-5);
    EXPECT_NEAR(FlashColor::fromHex("#808080").linearLuminance(), 0.21586, 1e-5);
    EXPECT_NEAR(FlashColor::fromHex("#0A0A0A").linearLuminance(), 0.0030353, 1e-7)
        << "dark components are linearised by the straight segment";
    EXPECT_DOUBLE_EQ(FlashColor::contrast(black, white), 21.0);
    EXPECT_DOUBLE_EQ(FlashColor::contrast(white, black), 21.0) << "order does not matter";
    EXPECT_NEAR(FlashColor::contrast(FlashColor::fromHex("#767676"), white), 4.54, 0.01);
}

TEST(AccentTheme, storedTextsAndGuard) {
    EXPECT_EQ(AccentTheme::fromStoredText("system"), AccentTheme::system());
    EXPECT_EQ(AccentTheme::fromStoredText("Custom:#00FF00"), AccentTheme::brand())
        << "case matters";
    EXPECT_EQ(AccentTheme::fromStoredText("anything"), AccentTheme::brand());

    auto green = AccentTheme::fromStoredText("custom:#00FF00");
    EXPECT_EQ(green, AccentTheme::custom({0, 1, 0})) << "pure green passes the guard unchanged";
    EXPECT_EQ(AccentTheme::custom({0, 1, 0}).storedText(), "custom:#00FF00");

    // Orange (hue 30) is turned away from the brand colour to hue 62.
    FlashColor orange = FlashColor::fromHex("#FF8000");
    FlashColor turned = AccentTheme::guarded(orange);
    EXPECT_NEAR(turned.r, 0.965, 0.005);
    EXPECT_NEAR(turned.g, 1.0, 1e-9);
    EXPECT_NEAR(turned.b, 0.0, 1e-9);
    EXPECT_EQ(AccentTheme::fromStoredText("custom:#FF8000").kind, AccentTheme::Kind::custom);

    // Near-black is lightened in steps until readable, and no further.
    EXPECT_EQ(AccentTheme::guarded({0.02, 0.02, 0.05}).hexString(), "#363687");
    EXPECT_EQ(AccentTheme::guarded({0, 0, 0}).hexString(), "#3D3D3D")
        << "black becomes a readable grey";
}

TEST(Text, trimmingAndCaseFoldingAreUnicodeAware) {
    EXPECT_EQ(trimmed(" \t\n Slack \r\n\u00A0"), "Slack");
    EXPECT_EQ(trimmed("\u2028Mail\u3000"), "Mail");
    EXPECT_EQ(trimmed(""), "");
    EXPECT_EQ(trimmed(" \n "), "");
    EXPECT_EQ(nameKey("  SLACK\n"), nameKey("slack"));
    EXPECT_EQ(nameKey("Stra\u00DFe"), nameKey("STRASSE")) << "full case folding";
    EXPECT_TRUE(containsIgnoringCase("URGENT: deploy", "urgent"));
    EXPECT_TRUE(containsIgnoringCase("anything", ""));
    EXPECT_FALSE(containsIgnoringCase("", "x"));
    EXPECT_TRUE(containsIgnoringCase("\u00C9COLE", "\u00E9cole"));
    // Invalid UTF-8 neither crashes nor vanishes silently.
    EXPECT_EQ(validUtf8("a\xFF"
                        "b"),
              "a\uFFFD"
              "b");
    EXPECT_EQ(trimmed(" \xC3 "), "\xC3");
    EXPECT_TRUE(localizedCaseInsensitiveLess("apple", "Banana"));
    EXPECT_FALSE(localizedCaseInsensitiveLess("Banana", "apple"));
}

TEST(Text, outsideTextThatCouldReorderItsSentenceIsIsolated) {
    EXPECT_EQ(isolated("Slack (beta) 2"), "Slack (beta) 2") << "nothing to reorder";
    EXPECT_EQ(isolated("\u202Eopusfile"), "\u2068\u202Eopusfile\u2069");
    EXPECT_EQ(isolated("\u05E9\u05DC\u05D5\u05DD"), "\u2068\u05E9\u05DC\u05D5\u05DD\u2069");
    // A stray isolate end inside would close the run early and free the override after it.
    EXPECT_EQ(isolated("a\u2069\u202Eb\u2066"), "\u2068a\u202Eb\u2069");
}

TEST(FileUrl, percentEncodingRoundTripsAndComparesStandardisedPaths) {
    auto url = FileUrl::fromPath("/home/ann/Sounds/a b#c%d\xC3\xA9.wav");
    EXPECT_EQ(url.str(), "file:///home/ann/Sounds/a%20b%23c%25d%C3%A9.wav");
    auto back = FileUrl::parse(url.str());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path(), url.path());
    EXPECT_EQ(FileUrl::parse("file://localhost/tmp/x.wav")->path(), "/tmp/x.wav");
    EXPECT_EQ(FileUrl::fromPath("/tmp/./a/../b.wav"), FileUrl::fromPath("/tmp/b.wav"));
    for (const char* bad : {"/tmp/x.wav", "http://host/x", "file://host/x", "file:///bad%2",
                            "file:///bad%zz", "file:///nul%00"}) {
        EXPECT_FALSE(FileUrl::parse(bad)) << bad;
    }
}

TEST(Uuid, parsesAndWritesCanonicalUpperCase) {
    auto id = Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->str(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_FALSE(Uuid::parse("0f8fad5bd9cb469fa16570867728950e"));
    EXPECT_FALSE(Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950"));
    EXPECT_EQ(Uuid::random().str()[14], '4');
}

TEST(DebugLog, switchAndLineFormat) {
    EXPECT_TRUE(debuglog::switchFromEnvironment("1"));
    for (const char* off : {"", "01", "true", "1 ", "yes"}) {
        EXPECT_FALSE(debuglog::switchFromEnvironment(off)) << off;
    }
    EXPECT_FALSE(debuglog::switchFromEnvironment(nullptr));

    std::string line = debuglog::formatLine("DETECTED title=\"a\nb\r\"", 1'700'000'000'123);
    EXPECT_EQ(line.substr(8), ".123  DETECTED title=\"a\\nb\\r\"\n")
        << "line breaks cannot forge lines";
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(line[2], ':');
}

// Notification text reaches the log verbatim; nothing in it may steer a terminal or break a line.
TEST(DebugLog, controlCharactersAreWrittenAsEscapes) {
    EXPECT_EQ(debuglog::plainText("a\x1b[31mred\x07\tb\x7f\x01"),
              "a\\x1B[31mred\\x07\\x09b\\x7F\\x01");
    EXPECT_EQ(debuglog::plainText(std::string("nul\0end", 7)), "nul\\x00end");
    EXPECT_EQ(debuglog::plainText("csi \xC2\x9B"
                                  "2J nel \xC2\x85 pad \xC2\x80"),
              "csi \\u{9B}2J nel \\u{85} pad \\u{80}");
    // A lone C1 byte is an 8-bit CSI to some terminals; broken UTF-8 never passes raw.
    EXPECT_EQ(debuglog::plainText("raw \x9B"
                                  "2J cut \xC3"),
              "raw \\x9B2J cut \\xC3");
    // Printable text just outside the control ranges stays as it is.
    const std::string untouched =
        "caf\xC3\xA9 \xC2\xA0nbsp \xC2\xA9 \xE2\x86\x92 \xF0\x9F\x94\x94 ~";
    EXPECT_EQ(debuglog::plainText(untouched), untouched);

    std::string line = debuglog::formatLine("DETECTED body=\"\x1b]0;title\x07\"", 0);
    EXPECT_EQ(line.find('\x1b'), std::string::npos);
    EXPECT_NE(line.find("body=\"\\x1B]0;title\\x07\""), std::string::npos) << line;
}
