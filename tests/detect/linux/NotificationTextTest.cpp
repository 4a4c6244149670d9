#include "detect/linux/NotificationText.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace notificationText;

TEST(NotificationText, plainTextRemovesTagsAndDecodesEntities) {
    EXPECT_EQ(
        plainText(
            "<b>bold</b> <i>it</i> <u>u</u> <a href=\"x\">link</a><img src=\"p\" alt=\"a\"/>"),
        "bold it u link");
    EXPECT_EQ(plainText("&lt;b&gt; &amp;amp; &quot;q&quot; &apos; &#65;&#x42;&#X43;"),
              "<b> &amp; \"q\" ' ABC");
    EXPECT_EQ(plainText("1 < 2 and 3 > 2, a <- b, x<"), "1 < 2 and 3 > 2, a <- b, x<");
    EXPECT_EQ(plainText("<b unclosed"), "<b unclosed") << "a tag that never closes is text";
    EXPECT_EQ(plainText("&bogus; &; & &#; &#xZZ; &#0; &#xD800; &#1114112;"),
              "&bogus; &; & &#; &#xZZ; \xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD");
    EXPECT_EQ(plainText("caf\xC3\xA9 &#233;"), "caf\xC3\xA9 \xC3\xA9");
}

TEST(NotificationText, boundsCutWholeCharactersOfValidText) {
    EXPECT_EQ(boundedBytes("ab\xC3\xA9", 3), "ab") << "never half a character";
    EXPECT_EQ(boundedBytes("ab\xFF", 10), "ab\xEF\xBF\xBD");
    EXPECT_EQ(boundedBytes("\xFF\xFF", 4), "\xEF\xBF\xBD")
        << "replacement may not push past the limit";
    EXPECT_EQ(boundedCharacters("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(boundedCharacters("abc", 5), "abc");
    EXPECT_EQ(boundedCharacters("a\xF0\x9F\x98\x80"
                                "b",
                                2),
              "a\xF0\x9F\x98\x80");
}

TEST(NotificationText, desktopEntryNameComesFromTheEntryGroupOnly) {
    EXPECT_EQ(desktopEntryName("[Desktop Entry]\r\nName[fr]=Courrier\r\nName = Mail\\sApp\r\n"),
              "Mail App");
    EXPECT_EQ(desktopEntryName("Name=Outside\n[Other]\nName=Other\n"), std::nullopt);
    EXPECT_EQ(desktopEntryName("[Desktop Entry]\nNameless=1\nName=\n"), std::nullopt);
    // Files other programs wrote: a stray line elsewhere must not hide the name.
    EXPECT_EQ(desktopEntryName("[broken\nName=In a broken group\n[Desktop Entry]\nnot a key line\n"
                               "X_Bad Key=1\nName=Chat\n"),
              "Chat");

    test::TempDir dir;
    std::filesystem::create_directories(dir / "home" / "applications");
    std::filesystem::create_directories(dir / "sys" / "applications");
    test::writeFile(dir / "sys" / "applications" / "app.desktop",
                    "[Desktop Entry]\nName=System App\n");
    test::writeFile(dir / "secret.desktop", "[Desktop Entry]\nName=Secret\n");
    test::ScopedEnvironment env({{"XDG_DATA_HOME", (dir / "home").string()},
                                 {"XDG_DATA_DIRS", "relative:" + (dir / "sys").string()}});
    EXPECT_EQ(lookUpDesktopEntryName("app"), "System App");
    EXPECT_EQ(lookUpDesktopEntryName("app.desktop"), "System App");
    test::writeFile(dir / "home" / "applications" / "app.desktop",
                    "[Desktop Entry]\nName=My App\n");
    EXPECT_EQ(lookUpDesktopEntryName("app"), "My App") << "the user's own entry comes first";
    EXPECT_EQ(lookUpDesktopEntryName("../../secret"), std::nullopt);
    EXPECT_EQ(lookUpDesktopEntryName(".hidden"), std::nullopt);
    EXPECT_EQ(lookUpDesktopEntryName(""), std::nullopt);

    EXPECT_EQ(processName(0), std::nullopt);
    EXPECT_TRUE(processName(1).has_value());
}

} // namespace
} // namespace corvale
