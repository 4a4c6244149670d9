#include "core/HotKeyCombo.h"

#include <gtest/gtest.h>
#include <set>

using namespace corvale;

namespace {
const auto control = HotKeyModifiers::control;
const auto option = HotKeyModifiers::option;
const auto shift = HotKeyModifiers::shift;
const auto command = HotKeyModifiers::command;
} // namespace

TEST(HotKeyModifiers, displayStringKeepsOneOrderWhateverTheBuildOrder) {
    EXPECT_EQ((command | shift | option | control).displayString(), "Ctrl+Alt+Shift+Super+");
    EXPECT_EQ((control | option | shift | command).displayString(), "Ctrl+Alt+Shift+Super+");
    EXPECT_EQ((command | option).displayString(), "Alt+Super+");
    EXPECT_EQ(HotKeyModifiers{}.displayString(), "");
    EXPECT_EQ(HotKeyModifiers{0x30}.displayString(), "") << "undefined bits show nothing";
}

TEST(HotKeyCombo, keyLabelsCoverTheTableAndNameEverythingElseByCode) {
    EXPECT_EQ(HotKeyCombo::keyLabel(10), "Key 10");
    EXPECT_EQ(HotKeyCombo::keyLabel(22), "6") << "6 and 5 are not in code order";
    EXPECT_EQ(HotKeyCombo::keyLabel(4294967295u), "Key 4294967295");
    for (size_t i = 0; i < HotKeyCombo::functionKeyCodes.size(); ++i) {
        EXPECT_EQ(HotKeyCombo::keyLabel(HotKeyCombo::functionKeyCodes[i]),
                  "F" + std::to_string(i + 1));
    }
    EXPECT_EQ(HotKeyCombo::keyLabel(51), "BackSpace") << "a PC keyboard's Delete deletes forward";
    EXPECT_EQ(HotKeyCombo::keyLabel(117), "Delete");
    std::set<std::string> labels;
    for (const auto& [code, label] : HotKeyCombo::specialLabels()) {
        labels.insert(label);
        EXPECT_LT(static_cast<unsigned char>(label[0]), 0x80) << label << ": no glyph a PC lacks";
    }
    EXPECT_EQ(labels.size(), HotKeyCombo::specialLabels().size()) << "no two keys share a label";
}

TEST(HotKeyCombo, layoutLabelUpperCasesPrintableTextOnly) {
    EXPECT_EQ(HotKeyCombo::layoutLabel("z"), "Z");
    EXPECT_EQ(HotKeyCombo::layoutLabel("é"), "É");
    EXPECT_EQ(HotKeyCombo::layoutLabel("ß"), "SS") << "full upper-casing";
    EXPECT_EQ(HotKeyCombo::layoutLabel("ф"), "Ф");
    EXPECT_EQ(HotKeyCombo::layoutLabel("^"), "^");
    for (std::string refused :
         {std::string(), std::string("\r"), std::string("\x1b"), std::string("\x7f"),
          std::string(" "), std::string("\t"), std::string("\u00A0"), std::string("\u2028"),
          std::string("\uF704"), std::string("\uF8FF"), std::string("\xff\xfe"),
          std::string(1, '\0')}) {
        EXPECT_FALSE(HotKeyCombo::layoutLabel(refused))
            << "for text of " << refused.size() << " bytes starting "
            << int(static_cast<unsigned char>(refused.empty() ? 0 : refused[0]));
    }
    EXPECT_EQ(HotKeyCombo::layoutLabel("\uF900"), "\uF900") << "just past the private range";
}

TEST(HotKeyCombo, onlyFunctionKeysMayGoWithoutControlOptionOrCommand) {
    EXPECT_TRUE((HotKeyCombo{96, {}}).isRegistrable()) << "F5 alone";
    EXPECT_TRUE((HotKeyCombo{90, shift}).isRegistrable()) << "F20 with Shift";
    EXPECT_FALSE((HotKeyCombo{0, {}}).isRegistrable());
    EXPECT_FALSE((HotKeyCombo{0, shift}).isRegistrable()) << "Shift alone does not count";
    EXPECT_FALSE((HotKeyCombo{0, HotKeyModifiers{0x10}}).isRegistrable());
    EXPECT_TRUE((HotKeyCombo{0, option}).isRegistrable());
    EXPECT_TRUE((HotKeyCombo{0, control | shift}).isRegistrable());
    EXPECT_TRUE((HotKeyCombo{53, command}).isRegistrable());
    EXPECT_EQ((HotKeyCombo{46, option | command}).displayText(), "Alt+Super+M");
}

TEST(HotKeyCombo, storedFormRoundTripsAndReadsNegativeOrMissingCodesAsNone) {
    EXPECT_FALSE(HotKeyCombo::fromStored(std::nullopt, 10));
    EXPECT_FALSE(HotKeyCombo::fromStored(-1, 0));
    EXPECT_FALSE(HotKeyCombo::fromStored(-46, 10));
    EXPECT_EQ(HotKeyCombo::fromStored(46, std::nullopt), (HotKeyCombo{46, {}}));
    EXPECT_EQ(HotKeyCombo::fromStored(0, 8), (HotKeyCombo{0, command})) << "code 0 is A";
    EXPECT_EQ(HotKeyCombo::fromStored((std::int64_t{1} << 32) + 46, (std::int64_t{1} << 32) + 10),
              (HotKeyCombo{46, option | command}))
        << "each integer keeps its low 32 bits";
    EXPECT_EQ(HotKeyCombo::fromStored(46, -1), (HotKeyCombo{46, HotKeyModifiers{0xFFFFFFFFu}}));

    const auto none = HotKeyCombo::stored(std::nullopt);
    EXPECT_EQ(none.keyCode, -1);
    EXPECT_EQ(none.modifiers, 0);
    const HotKeyCombo big{4294967295u, control | shift};
    const auto kept = HotKeyCombo::stored(big);
    EXPECT_EQ(kept.keyCode, 4294967295) << "stored unsigned, never as -1";
    EXPECT_EQ(HotKeyCombo::fromStored(kept.keyCode, kept.modifiers), big);
}
