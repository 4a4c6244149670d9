#include "ui/settings/views/AppEditorPane.h"

#include "signals/FlashPalette.h"
#include "support/QtEventLoop.h"
#include "ui/settings/SoundChoices.h"
#include "ui/settings/views/RuleSheet.h"
#include "ui/settings/views/SettingsFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <functional>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::child;
using test::SettingsFixture;

struct Pane {
    SettingsFixture f;
    std::unique_ptr<settings::AppEditorPane> pane;

    explicit Pane(
        std::optional<std::string> app,
        const std::function<void(ConfigModel&)>& setUp = [](ConfigModel&) {}) {
        setUp(*f.model);
        f.log.lines.clear();
        pane = std::make_unique<settings::AppEditorPane>(f.context, std::move(app));
        pane->resize(626, 560);
        pane->show();
    }
    // The pane rebuilds shortly after each change; wait for the new column.
    void settle() { test::pumpEventsFor(10ms); }
};

settings::RuleSheet* openSheet(QWidget& pane) {
    for (auto* sheet : pane.findChildren<settings::RuleSheet*>()) {
        if (sheet->isVisible()) {
            return sheet;
        }
    }
    return nullptr;
}

void mailWithFlashes(ConfigModel& model) {
    model.addApp("Mail");
    model.setFlashScreen(true, std::string("Mail"));
}

// Each control calls the model's edit of its own field, with the value shown; the model's tests
// prove what such an edit stores.
TEST(AppEditorPane, eachControlEditsItsFieldAndLogsOneLine) {
    // A palette colour other than the one Mail starts with.
    const auto& palette = FlashPalette::colors();
    const std::string other =
        (FlashPalette::color("Mail") == palette[1] ? palette[2] : palette[1]).hexString();
    const auto click = [](const char* name) {
        return [=](QWidget& p) { child<QAbstractButton>(p, name)->click(); };
    };
    const auto pick = [](const char* name, const char* item) {
        return [=](QWidget& p) { test::choose(child<QComboBox>(p, name), item); };
    };
    const std::pair<std::function<void(QWidget&)>, std::string> cases[] = {
        {click("flashMenuBar"), "flashMenuBar = true"},
        {click("flashScreen"), "flashScreen = false"},
        {pick("volumePopUp", "200%"), "volume 200%"},
        {pick("soundPopUp", "Silent"), "sound Silent"},
        {pick("soundPopUp", "The app\u2019s own sound"), "useAppSound = true, else Submarine"},
        {[&](QWidget& p) {
             child<QAbstractButton>(p, "swatch:" + QString::fromStdString(other))->click();
         },
         "flashColor = " + other},
        {click("swatch:automatic"), "flashColor = default (white)"},
        {click("flashStyle:edgeLeft"), "flashStyle = edgeLeft"},
        {pick("flashIntensity", "Strong"), "flashIntensity = strong"},
        {pick("flashDuration", "Brief"), "flashDuration = brief"},
        {pick("flashRepeat", "Twice"), "flashRepeat = 2"},
        {click("nativeMuted"), "nativeSoundMuted = true"},
        {click("respectSuppressSound"), "respectSuppressSound = true"},
        {click("customSound"), "custom sound OFF (inherits default)"},
    };
    for (const auto& [act, line] : cases) {
        SCOPED_TRACE(line);
        Pane p(std::string("Mail"), mailWithFlashes);
        act(*p.pane);
        EXPECT_EQ(p.f.log.lines, std::vector<std::string>{"[rule] Mail \u2192 " + line});
    }
    Pane p(std::string("Mail"), mailWithFlashes);
    click("flashStyle:edgeLeft")(*p.pane);
    EXPECT_EQ(p.f.storedBase("Mail")["flashStyle"], "edgeLeft") << "the edit reaches the file";
    EXPECT_FALSE(p.f.storedBase("Mail").contains("respectSuppressSound"));
    click("respectSuppressSound")(*p.pane);
    EXPECT_EQ(p.f.storedBase("Mail")["respectSuppressSound"], true);
}

TEST(AppEditorPane, overridesGoBackToTheGlobalDefaultFromTheFirstItem) {
    Pane p(std::string("Mail"), [](ConfigModel& model) {
        model.addApp("Mail");
        model.setFlashRepeat(3, std::string("Mail"));
        model.setFlashDuration(FlashDuration::long_, std::string("Mail"));
    });
    EXPECT_EQ(child<QComboBox>(*p.pane, "flashRepeat")->currentText(), "3 times");
    EXPECT_EQ(child<QComboBox>(*p.pane, "flashDuration")->currentText(), "Long");
    EXPECT_EQ(child<QComboBox>(*p.pane, "flashIntensity")->currentIndex(), 0);
    test::choose(child<QComboBox>(*p.pane, "flashRepeat"), "Use global default");
    p.settle();
    test::choose(child<QComboBox>(*p.pane, "flashDuration"), "Use global default");
    EXPECT_TRUE(p.f.log.contains("[rule] Mail \u2192 flashRepeat = global default"));
    EXPECT_TRUE(p.f.log.contains("[rule] Mail \u2192 flashDuration = global default"));
    auto stored = p.f.storedBase("Mail");
    EXPECT_FALSE(stored.contains("flashRepeat"));
    EXPECT_FALSE(stored.contains("flashDuration"));
}

TEST(AppEditorPane, controlsShowTheStoredRuleAndRebuildAfterAnEdit) {
    Pane p(std::string("Mail"), [](ConfigModel& model) {
        model.addApp("Mail");
        model.setVolume(0.9, std::string("Mail"));
    });
    EXPECT_EQ(child<QComboBox>(*p.pane, "volumePopUp")->currentText(), "100%");
    EXPECT_FALSE(child<QWidget>(*p.pane, "flashColor")->isEnabled()) << "no flash is on";
    EXPECT_FALSE(child<QWidget>(*p.pane, "flashStyle")->isEnabled());

    child<QCheckBox>(*p.pane, "flashMenuBar")->click();
    p.settle();
    EXPECT_TRUE(child<QWidget>(*p.pane, "flashColor")->isEnabled()) << "the blink has a colour";
    EXPECT_FALSE(child<QWidget>(*p.pane, "flashStyle")->isEnabled()) << "only a screen flash";

    // An edit made elsewhere (the dashboard, a hand edit) shows too.
    p.f.model->setFlashScreen(true, std::string("Mail"));
    p.f.model->setFlashStyle(FlashStyle::edgeTopBottom, std::string("Mail"));
    p.settle();
    EXPECT_TRUE(child<QWidget>(*p.pane, "flashStyle")->isEnabled());
    EXPECT_TRUE(child<QAbstractButton>(*p.pane, "flashStyle:edgeTopBottom")->isChecked());
    EXPECT_EQ(child<QLabel>(*p.pane, "flashStyleLine")->text(),
              "Screen flash: Top & bottom - bands on the top and bottom");
}

// A change while a dialog runs (an alert or `corvale mute` while the sound chooser is open) waits
// until it closes: rebuilt under it, the pane would destroy the pop-up whose handler opened it.
TEST(AppEditorPane, aChangeWhileADialogRunsRebuildsOnlyOnceItCloses) {
    Pane p("Mail", mailWithFlashes);
    QPointer<QWidget> popUp = child<QComboBox>(*p.pane, "soundPopUp");
    bool keptWhileShown = false;
    p.f.model->onChooseFile = [&](const ConfigModel::App&) { p.f.dialogs.runOpenPanel({}); };
    p.f.dialogs.whileShown = [&] {
        QDialog chooser;
        chooser.setWindowModality(Qt::ApplicationModal);
        chooser.show();
        p.f.model->setVolume(0.5, std::string("Mail"));
        test::pumpEventsFor(50ms); // the dialog's own event loop
        keptWhileShown = !popUp.isNull();
    };
    test::choose(static_cast<QComboBox*>(popUp.data()), SoundChoices::chooseFile);
    EXPECT_TRUE(keptWhileShown);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return popUp.isNull(); }, 2s))
        << "rebuilt once the dialog closed";
}

TEST(AppEditorPane, defaultPaneLeavesOutTheAppCardsAndEditsTheDefaultRule) {
    Pane p(std::nullopt);
    for (const char* appOnly :
         {"customSound", "rulesCard", "nativeMuted", "removeApp", "notDetectedCard"}) {
        EXPECT_EQ(p.pane->findChild<QWidget*>(appOnly), nullptr) << appOnly;
    }
    child<QCheckBox>(*p.pane, "flashMenuBar")->click();
    EXPECT_EQ(p.f.log.lines,
              std::vector<std::string>{"[rule] All other apps \u2192 flashMenuBar = true"});
    EXPECT_TRUE(p.f.storedBase("*")["flashMenuBar"].get<bool>());
    EXPECT_EQ(p.f.storedRules().size(), 1u) << "no app rule is made for the default pane";

    QTest::mouseClick(child<QPushButton>(*p.pane, "testSound"), Qt::LeftButton);
    EXPECT_TRUE(p.f.log.contains("[test] All other apps \u2192 Submarine @ 100%"));
    EXPECT_EQ(p.f.played.size(), 1u);
}

TEST(AppEditorPane, notDetectedCardShowsUntilTheAppIsSeen) {
    Pane p(std::string("Signal"), [](ConfigModel& model) { model.addApp("Signal"); });
    EXPECT_NE(p.pane->findChild<QWidget*>("notDetectedCard"), nullptr);
    p.f.observed.observe("signal");
    p.f.model->announceChange();
    p.settle();
    EXPECT_EQ(p.pane->findChild<QWidget*>("notDetectedCard"), nullptr);
}

TEST(AppEditorPane, removeAppAsksFirstAndRemovesOnlyOnRemove) {
    struct Case {
        std::optional<std::size_t> answer;
        bool removed;
    } cases[] = {{0, true}, {1, false}, {std::nullopt, false}};
    for (const auto& c : cases) {
        Pane p(std::string("Mail"), [](ConfigModel& model) {
            model.addApp("Mail");
            model.addRule("Mail", Condition{Condition::Type::titleContains, "invoice"},
                          SoundRef::builtin("Glass"), 1.0);
        });
        p.f.pings.record("Mail", Clock::now(), std::nullopt);
        p.f.dialogs.alertAnswers.push_back(c.answer);
        QTest::mouseClick(child<QPushButton>(*p.pane, "removeApp"), Qt::LeftButton);
        ASSERT_EQ(p.f.dialogs.alerts.size(), 1u);
        EXPECT_EQ(p.f.dialogs.alerts[0].message, "Remove Mail?");
        EXPECT_TRUE(p.f.dialogs.alerts[0].destructive);
        EXPECT_EQ(p.f.appsRemoved, c.removed ? 1 : 0);
        EXPECT_EQ(p.f.storedRules().size(), c.removed ? 1u : 3u);
        EXPECT_EQ(p.f.pings.records().empty(), c.removed) << "its recent alerts go with it";
    }
}

TEST(AppEditorPane, removeRuleAsksWithItsSummaryAndRemovesThatRule) {
    Pane p(std::string("Mail"), [](ConfigModel& model) {
        model.addApp("Mail");
        model.addRule("Mail", Condition{Condition::Type::titleContains, "invoice"},
                      SoundRef::builtin("Glass"), 1.0);
        model.addRule("Mail", Condition{Condition::Type::bodyContains, "urgent"},
                      SoundRef::silent(), 1.0);
    });
    auto* second = child<QWidget>(*p.pane, "ruleRow:1");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(child<QLabel>(*second, "ruleLabel")->text().toStdString(),
              "Body: \u201Curgent\u201D \u2192 Silent");

    QTest::mouseClick(child<QPushButton>(*second, "removeRule"), Qt::LeftButton);
    EXPECT_TRUE(p.f.log.lines.empty()) << "cancelled: nothing removed";
    p.f.dialogs.alertAnswers.push_back(0);
    QTest::mouseClick(child<QPushButton>(*second, "removeRule"), Qt::LeftButton);
    ASSERT_EQ(p.f.dialogs.alerts.size(), 2u);
    EXPECT_EQ(
        p.f.dialogs.alerts[1].text.rfind("Body: \u201Curgent\u201D \u2192 Silent. Mail keeps", 0),
        0u);
    EXPECT_EQ(p.f.log.lines, std::vector<std::string>{"[rule] removed content rule"});
    auto stored = p.f.storedRules();
    ASSERT_EQ(stored.size(), 3u);
    for (const auto& rule : stored) {
        EXPECT_FALSE(rule.contains("condition") && rule["condition"]["value"] == "urgent");
    }
    p.settle();
    EXPECT_EQ(p.pane->findChild<QWidget*>("ruleRow:1"), nullptr);
    EXPECT_NE(p.pane->findChild<QWidget*>("ruleRow:0"), nullptr);
}

TEST(AppEditorPane, sheetAddsAndEditsContentRules) {
    Pane p(std::string("Mail"), [](ConfigModel& model) {
        model.addApp("Mail");
        model.setSound(SoundRef::builtin("Glass"), std::string("Mail"));
    });
    QTest::mouseClick(child<QPushButton>(*p.pane, "addRule"), Qt::LeftButton);
    auto* sheet = openSheet(*p.pane);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), "New rule for Mail");
    EXPECT_EQ(child<QComboBox>(*sheet, "soundPopUp")->currentText(), "Glass")
        << "a new rule starts with the app's sound";
    QTest::keyClicks(child<QLineEdit>(*sheet, "keyword"), "  invoice ");
    QTest::keyClick(child<QLineEdit>(*sheet, "keyword"), Qt::Key_Return);
    EXPECT_EQ(p.f.log.lines,
              std::vector<std::string>{
                  "[rule] Mail + content rule titleContains(\"invoice\") \u2192 Glass"});
    EXPECT_EQ(p.f.storedRules().size(), 3u);
    EXPECT_EQ(openSheet(*p.pane), nullptr) << "the sheet closed";

    p.settle();
    auto* row = child<QWidget>(*p.pane, "ruleRow:0");
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(child<QPushButton>(*row, "editRule"), Qt::LeftButton);
    sheet = openSheet(*p.pane);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), "Edit rule for Mail");
    auto* keyword = child<QLineEdit>(*sheet, "keyword");
    EXPECT_EQ(keyword->text(), "invoice");
    keyword->selectAll();
    QTest::keyClicks(keyword, "receipt");
    test::choose(child<QComboBox>(*sheet, "conditionKind"), "Body contains");
    test::choose(child<QComboBox>(*sheet, "volumePopUp"), "50%");
    QTest::mouseClick(child<QPushButton>(*sheet, "saveRule"), Qt::LeftButton);
    EXPECT_EQ(p.f.log.lines.back(),
              "[rule] edit content rule Mail bodyContains(\"receipt\") \u2192 Glass");
    auto stored = p.f.storedRules();
    ASSERT_EQ(stored.size(), 3u) << "edited in place";
    const auto& edited = stored[2];
    EXPECT_EQ(edited["condition"],
              (nlohmann::json{{"type", "bodyContains"}, {"value", "receipt"}}));
    EXPECT_EQ(edited["volume"], 0.5);
}

} // namespace
} // namespace corvale
