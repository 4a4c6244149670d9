#include "ui/settings/AppEditorTexts.h"

#include "signals/FlashPalette.h"

#include <gtest/gtest.h>
#include <set>

using namespace corvale;
using namespace corvale::AppEditorTexts;

namespace {

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

Condition cond(Condition::Type type, std::string value) {
    return Condition{type, std::move(value)};
}

TEST(AppEditorTexts, conditionSummaryCutsTheTrimmedOperandAtTwentyTwoCharacters) {
    using T = Condition::Type;
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
    struct Case {
        std::optional<Condition> condition;
        std::string expected;
    } cases[] = {
        {std::nullopt, "Any"},
        {cond(T::titleContains, "invoice"), "Title: \u201Cinvoice\u201D"},
        {cond(T::bodyContains, "  urgent \n"), "Body: \u201Curgent\u201D"},
        {cond(T::regex, thirty), "Regex: \u201Cabcdefghijklmnopqrstuv\u2026\u201D"},
        // Exactly 22 is not cut; blanks around do not count.
        {cond(T::titleContains, "  abcdefghijklmnopqrstuv  "),
         "Title: \u201Cabcdefghijklmnopqrstuv\u201D"},
        {cond(T::titleContains, "abcdefghijklmnopqrstuvw"),
         "Title: \u201Cabcdefghijklmnopqrstuv\u2026\u201D"},
        // Characters, not bytes: 23 accented letters (two bytes each) and 23 flags (eight each)
        // are cut after 22 whole characters.
        {cond(T::titleContains, repeat("\u00E9", 23)),
         "Title: \u201C" + repeat("\u00E9", 22) + "\u2026\u201D"},
        {cond(T::bodyContains, repeat("\U0001F1EB\U0001F1F7", 23)),
         "Body: \u201C" + repeat("\U0001F1EB\U0001F1F7", 22) + "\u2026\u201D"},
        {cond(T::titleContains, ""), "Title: \u201C\u201D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(conditionSummary(c.condition), c.expected)
            << (c.condition ? c.condition->value : "(none)");
    }
    // Bytes that are not UTF-8 (a hand-edited rules file) still give a summary.
    EXPECT_EQ(conditionSummary(cond(T::titleContains, "a\xFF")), "Title: \u201Ca\uFFFD\u201D");
}

TEST(AppEditorTexts, everyPaletteColourHasItsOwnName) {
    std::set<std::string> names;
    for (const auto& color : FlashPalette::colors()) {
        auto name = colorName(color);
        EXPECT_EQ(name.find("Custom"), std::string::npos) << color.hexString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), FlashPalette::colors().size());
    EXPECT_EQ(colorName(FlashColor::fromHex("#7C3AED")), "Custom color #7C3AED");
}

} // namespace
