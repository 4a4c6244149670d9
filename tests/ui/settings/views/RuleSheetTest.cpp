#include "ui/settings/views/RuleSheet.h"

#include "support/QtEventLoop.h"
#include "ui/settings/RuleSheetModel.h"
#include "ui/settings/views/SettingsFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace corvale {
namespace {

using test::child;
using test::SettingsFixture;

struct Saved {
    std::optional<Uuid> id;
    Condition condition;
    SoundRef sound;
    double volume;
};

struct Sheet {
    SettingsFixture f;
    std::vector<Saved> saved;
    std::unique_ptr<settings::RuleSheet> sheet;

    explicit Sheet(std::optional<Rule> editing = std::nullopt) {
        sheet = std::make_unique<settings::RuleSheet>(
            *f.model, f.dialogs, "Mail", std::move(editing),
            [this](const std::optional<Uuid>& id, const Condition& condition, const SoundRef& sound,
                   double volume, bool) {
                saved.push_back({id, condition, sound, volume});
            });
        sheet->show();
    }
    QLineEdit* keyword() { return child<QLineEdit>(*sheet, "keyword"); }
    QLabel* error() { return child<QLabel>(*sheet, "keywordError"); }
    void clickSave() { QTest::mouseClick(child<QPushButton>(*sheet, "saveRule"), Qt::LeftButton); }
};

TEST(RuleSheet, blankKeywordBeepsAndKeepsTheSheetOpen) {
    Sheet s;
    EXPECT_EQ(s.keyword()->maxLength(), RuleSheetModel::maxKeywordLength);
    QTest::keyClicks(s.keyword(), "   ");
    s.clickSave();
    QTest::keyClick(s.keyword(), Qt::Key_Enter);
    EXPECT_EQ(s.f.dialogs.beeps, 2);
    EXPECT_TRUE(s.saved.empty());
    EXPECT_TRUE(s.sheet->isVisible());
    EXPECT_EQ(s.sheet->result(), 0);
    EXPECT_FALSE(s.error()->isVisible()) << "a beep, no words";
}

TEST(RuleSheet, badPatternIsRefusedWithTheReasonUnderTheField) {
    Sheet s;
    test::choose(child<QComboBox>(*s.sheet, "conditionKind"), "Matches regex");
    EXPECT_EQ(s.keyword()->maxLength(), RuleSheetModel::maxPatternLength);
    QTest::keyClicks(s.keyword(), "(deploy|release");
    s.clickSave();
    EXPECT_TRUE(s.saved.empty());
    EXPECT_TRUE(s.sheet->isVisible());
    EXPECT_EQ(s.f.dialogs.beeps, 0);
    ASSERT_TRUE(s.error()->isVisible());
    EXPECT_TRUE(s.error()->text().startsWith(
        QString::fromUtf8("This pattern can\u2019t be used: a \u201c(\u201d or \u201c)\u201d "
                          "without its partner at position 15")))
        << s.error()->text().toStdString();
    EXPECT_EQ(s.f.log.lines.size(), 0u) << "nothing stored, nothing logged";

    // Typing hides the old reason; a pattern that compiles saves.
    QTest::keyClicks(s.keyword(), ")");
    EXPECT_FALSE(s.error()->isVisible());
    s.clickSave();
    ASSERT_EQ(s.saved.size(), 1u);
    EXPECT_EQ(s.saved[0].condition, (Condition{Condition::Type::regex, "(deploy|release)"}));
    EXPECT_FALSE(s.sheet->isVisible());
}

TEST(RuleSheet, savesTheEditedRulesIdAndTheChosenSoundAndVolume) {
    Rule editing = Rule::fallback();
    editing.appBundleId = editing.appDisplayName = "Mail";
    editing.condition = Condition{Condition::Type::titleContains, "invoice"};
    editing.sound = SoundRef::builtin("Glass");
    editing.volume = 0.375;
    Sheet s(editing);
    EXPECT_EQ(child<QComboBox>(*s.sheet, "volumePopUp")->currentText(), "25%");
    EXPECT_EQ(child<QComboBox>(*s.sheet, "soundPopUp")->currentText(), "Glass");
    EXPECT_EQ(child<QComboBox>(*s.sheet, "soundPopUp")->findText("Choose custom file\u2026"), -1);

    test::choose(child<QComboBox>(*s.sheet, "soundPopUp"), "Silent");
    QTest::mouseClick(child<QPushButton>(*s.sheet, "testRule"), Qt::LeftButton);
    ASSERT_EQ(s.f.played.size(), 1u);
    EXPECT_EQ(s.f.played[0].sound, SoundRef::silent()) << "Test plays the choice";
    QTest::keyClick(s.keyword(), Qt::Key_Return);
    ASSERT_EQ(s.saved.size(), 1u);
    EXPECT_EQ(s.saved[0].id, editing.id);
    EXPECT_EQ(s.saved[0].condition, *editing.condition);
    EXPECT_EQ(s.saved[0].sound, SoundRef::silent());
    EXPECT_EQ(s.saved[0].volume, 0.25);
}

TEST(RuleSheet, escapeCancelsWithoutSaving) {
    Sheet s;
    QTest::keyClicks(s.keyword(), "invoice");
    QTest::keyClick(s.keyword(), Qt::Key_Escape);
    EXPECT_FALSE(s.sheet->isVisible());
    EXPECT_EQ(s.sheet->result(), QDialog::Rejected);
    EXPECT_TRUE(s.saved.empty());
}

// Names come from anywhere: a 240-character sound or a 10,000-character app must not push the
// sheet's buttons off the screen.
TEST(RuleSheet, longNamesAreCutShortAndTheSheetStaysOnItsScreen) {
    SettingsFixture f;
    const std::string sound(240, 's');
    f.model->addCustomSound(sound, FileUrl::fromPath("/sounds/long.wav"));
    const std::string app = std::string(10000, 'A');
    settings::RuleSheet sheet(*f.model, f.dialogs, app, std::nullopt,
                              [](const auto&, const auto&, const auto&, double, bool) {});
    sheet.show();
    const int screenWidth = sheet.screen()->availableGeometry().width();
    EXPECT_LT(sheet.width(), screenWidth);
    EXPECT_LE(sheet.maximumWidth(), screenWidth);
    auto* popUp = child<QComboBox>(sheet, "soundPopUp");
    bool found = false;
    for (int i = 0; i < popUp->count(); ++i) {
        if (popUp->itemData(i, Qt::ToolTipRole).toString().toStdString() == sound) {
            found = true;
            EXPECT_LT(popUp->itemText(i).size(), 60) << "shown cut short";
        }
    }
    EXPECT_TRUE(found) << "the whole name is in the item's tooltip";
}

} // namespace
} // namespace corvale
