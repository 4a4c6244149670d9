#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/QuickMenuView.h"
#include "ui/menubar/views/TrayPopups.h"
#include "ui/render/RenderHarness.h"

#include "core/SettingsPrefs.h"
#include "support/GuiApp.h"
#include "support/ModelStores.h"
#include "support/QtEventLoop.h"
#include "support/ScriptedDialogs.h"
#include "ui/menubar/MenuTexts.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::child;

// The config model over its stores, as the views see it in the program.
struct ModelFixture : test::ModelStores {
    ModelFixture() { test::guiApp(); }
    void publish(bool trusted, bool soundsEnabled) {
        ConfigPublished values = model->published();
        values.isTrusted = trusted;
        values.soundsEnabled = soundsEnabled;
        model->publish(values);
    }
};

// The popups over the model, with scripted dialogs and no tray to place them by.
struct TrayPopupsTest : ::testing::Test, ModelFixture {
    ScriptedDialogs dialogs;
    TrayPopups popovers{
        *model, dialogs, {PopoverLens::alerts, {}}, {{}, {}}, [] { return QRect(); }};
};

QString text(const char* s) {
    return QString::fromUtf8(s);
}

TEST(ConfigView, engineCardFollowsPermissionAndPlaySounds) {
    ModelFixture f;
    std::vector<bool> switched;
    int restoreClicks = 0;
    f.model->onSoundsEnabledChanged = [&](bool on) { switched.push_back(on); };
    f.model->onRestoreAccess = [&] {
        ++restoreClicks;
        return false;
    };
    ConfigView view(*f.model, {PopoverLens::alerts, {}});
    view.show();

    auto* badge = child<QLabel>(view, "statusBadge");
    auto* restore = child<QPushButton>(view, "restoreAccess");
    auto* play = child<QCheckBox>(view, "playSounds");
    EXPECT_EQ(badge->text(), "LIVE");
    EXPECT_FALSE(restore->isVisible());
    EXPECT_TRUE(play->isChecked());
    EXPECT_EQ(play->toolTip().toStdString(), MenuTexts::playSoundsHelp(true));

    f.publish(false, false);
    EXPECT_EQ(badge->text(), "ACTION NEEDED");
    EXPECT_EQ(child<QLabel>(view, "engineLine")->text().toStdString(),
              MenuTexts::engineLine(false));
    EXPECT_FALSE(play->isChecked()) << "the switch follows the published preference";
    EXPECT_EQ(play->toolTip().toStdString(), MenuTexts::playSoundsHelp(false));
    EXPECT_TRUE(switched.empty()) << "a refresh must not echo back as a user change";
    QTRY_VERIFY_WITH_TIMEOUT(restore->isVisible(), 2000);
    QTest::mouseClick(restore, Qt::LeftButton);
    EXPECT_EQ(restoreClicks, 1) << "the button asks for the monitor again";
    auto* result = child<QLabel>(view, "restoreResult");
    EXPECT_TRUE(result->isVisible()) << "a try that failed says so";
    EXPECT_EQ(result->text(), text(MenuTexts::restoreAccessFailed));
    f.publish(true, false);
    QTRY_VERIFY_WITH_TIMEOUT(!result->isVisible(), 2000);

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(switched, std::vector<bool>{true});
}

TEST(ConfigView, aHiddenViewCatchesUpWhenItShows) {
    ModelFixture f;
    ConfigView view(*f.model, {PopoverLens::alerts, {}});
    f.publish(false, true);
    EXPECT_EQ(child<QLabel>(view, "statusBadge")->text(), "LIVE")
        << "a hidden view is not rebuilt on every change";
    view.show();
    EXPECT_EQ(child<QLabel>(view, "statusBadge")->text(), "ACTION NEEDED")
        << "the change shows as soon as the view does";
    view.hide();
    f.publish(true, true);
    view.refreshIfStale();
    EXPECT_EQ(child<QLabel>(view, "statusBadge")->text(), "LIVE");
}

TEST(ConfigView, alertsLensGroupsAppsAndClearsOneApp) {
    ModelFixture f;
    ConfigView empty(*f.model, {PopoverLens::alerts, {}});
    EXPECT_EQ(child<QLabel>(empty, "emptyState")->text(), text(MenuTexts::alertsEmpty));

    auto now = Clock::now();
    for (int i = 0; i < 12; ++i) {
        f.pings.record("Slack", now - std::chrono::minutes(i), std::nullopt);
    }
    f.pings.record("Mail", now - 1h, std::nullopt);
    for (int i = 1; i <= 6; ++i) {
        f.pings.record("App" + std::to_string(i), now - 1h - std::chrono::minutes(i), std::nullopt);
    }
    std::vector<std::string> opened;
    f.model->onOpenApp = [&](const std::string& app) { opened.push_back(app); };
    ConfigView view(*f.model, {PopoverLens::alerts, {}});
    view.show();

    auto* slack = child<QPushButton>(view, "alertRow:Slack");
    ASSERT_NE(slack, nullptr);
    auto* pill = slack->findChild<QLabel*>("repeatPill");
    ASSERT_NE(pill, nullptr);
    EXPECT_EQ(pill->text(), "9+ alerts") << "the tray badge's count";
    EXPECT_NE(view.findChild<QPushButton*>("alertRow:App4"), nullptr);
    EXPECT_EQ(view.findChild<QPushButton*>("alertRow:App5"), nullptr) << "six groups at most";
    EXPECT_EQ(child<QPushButton>(view, "alertRow:Mail")->findChild<QLabel*>("repeatPill"), nullptr)
        << "a single alert has no repeat pill";
    QTest::mouseClick(slack, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{"Slack"});

    // Later alerts change the rows they concern; a row keeps its place in the list's order.
    QPointer<QPushButton> mail = child<QPushButton>(view, "alertRow:Mail");
    f.pings.record("Mail", now, std::nullopt);
    f.model->announceChange();
    QTRY_COMPARE_WITH_TIMEOUT(
        child<QPushButton>(view, "alertRow:Mail")->findChild<QLabel*>("repeatPill") != nullptr,
        true, 2000);
    EXPECT_EQ(child<QPushButton>(view, "alertRow:Mail")->findChild<QLabel*>("repeatPill")->text(),
              "2 alerts");
    EXPECT_TRUE(mail.isNull()) << "a row that gains a pill is built anew";
    f.pings.record("Slack", now, std::nullopt);
    f.model->announceChange();
    QTRY_COMPARE_WITH_TIMEOUT(pill->text(), QString("4 alerts"), 2000);
    EXPECT_EQ(child<QPushButton>(view, "alertRow:Slack"), slack) << "the same row, its count new";

    auto* clear = child<QToolButton>(view, "clearAlerts:Slack");
    EXPECT_EQ(clear->accessibleName(), "Clear Slack's alerts");
    QTest::mouseClick(clear, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view.findChild<QPushButton*>("alertRow:Slack") == nullptr, 2000);
    EXPECT_NE(view.findChild<QPushButton*>("alertRow:Mail"), nullptr);
    EXPECT_EQ(f.pings.records().size(), 2u) << "Mail's two alerts stay";
}

TEST(ConfigView, opensOnTheLensTheAlertsCallForUntilOneIsPicked) {
    ModelFixture f;
    PopoverLens atOpening = PopoverLens::sounds;
    ConfigView view(*f.model, {PopoverLens::sounds, {}, {}, [&] { return atOpening; }});
    view.show();
    EXPECT_EQ(view.lens(), PopoverLens::sounds);
    view.hide();
    atOpening = PopoverLens::alerts; // alerts arrived while it was closed
    view.show();
    EXPECT_EQ(view.lens(), PopoverLens::alerts);
    EXPECT_TRUE(child<QPushButton>(view, "lensAlerts")->isChecked());
}

TEST(ConfigView, lensSwitchShowsSoundsAndRemembersTheChoice) {
    ModelFixture f;
    f.model->addApp("Slack");
    std::vector<PopoverLens> chosen;
    std::vector<PaneID> panes;
    f.model->onOpenSettings = [&](const std::optional<PaneID>& pane) {
        panes.push_back(pane.value_or(PaneID::of(PaneID::Kind::general)));
    };
    ConfigView view(*f.model,
                    {PopoverLens::alerts, [&](PopoverLens lens) { chosen.push_back(lens); }});
    view.show();
    EXPECT_EQ(view.findChild<QPushButton*>("soundsRow:default"), nullptr);

    QTest::mouseClick(child<QPushButton>(view, "lensSounds"), Qt::LeftButton);
    EXPECT_EQ(chosen, std::vector<PopoverLens>{PopoverLens::sounds});
    auto* slack = child<QPushButton>(view, "soundsRow:Slack");
    ASSERT_NE(slack, nullptr);
    EXPECT_EQ(slack->findChild<QLabel*>("summary")->text().toStdString(),
              f.model->summary(std::string("Slack")));
    ASSERT_NE(child<QPushButton>(view, "soundsRow:default"), nullptr);
    QTest::mouseClick(slack, Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(view, "soundsRow:default"), Qt::LeftButton);
    EXPECT_EQ(panes,
              (std::vector<PaneID>{PaneID::app("Slack"), PaneID::of(PaneID::Kind::allOtherApps)}));
}

TEST(ConfigView, controlsWithoutTheirWindowAreDisabled) {
    ModelFixture f;
    ConfigView view(*f.model, {PopoverLens::sounds, {}});
    EXPECT_FALSE(child<QToolButton>(view, "openSettings")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(view, "addApp")->isEnabled());
    EXPECT_EQ(child<QLabel>(view, "emptyState")->text(), text(MenuTexts::soundsEmpty));
    for (auto* button : view.findChildren<QToolButton*>()) {
        EXPECT_FALSE(button->accessibleName().isEmpty())
            << button->objectName().toStdString() << " shows only an icon and needs a name";
    }
}

TEST(QuickMenuView, rowsCallTheModelAndSnoozeTurnsIntoResume) {
    ModelFixture f;
    int snoozes = 0, quits = 0;
    f.model->onSnooze = [&] { ++snoozes; };
    f.model->onQuit = [&] { ++quits; };
    QuickMenuView view(*f.model, {[] { return 30; }, [] { return AccentTheme(); }});
    view.show();

    auto* snooze = child<QPushButton>(view, "snooze");
    EXPECT_EQ(snooze->text(), "Snooze for 30 minutes");
    QTest::mouseClick(snooze, Qt::LeftButton);
    EXPECT_EQ(snoozes, 1);
    f.model->setSnoozed(true);
    EXPECT_EQ(snooze->text(), "Resume sounds now");

    EXPECT_FALSE(child<QPushButton>(view, "settings")->isEnabled());
    EXPECT_EQ(view.findChild<QPushButton*>("checkForUpdates"), nullptr);
    QTest::mouseClick(child<QPushButton>(view, "quit"), Qt::LeftButton);
    EXPECT_EQ(quits, 1);
}

TEST(MenuViews, dashboardAndQuickMenuRetintWhenTheThemeChanges) {
    ModelFixture f;
    InMemoryPreferences store;
    SettingsPrefs prefs(store, f.center);
    auto accent = [&prefs] { return prefs.accentTheme(); };
    ConfigView dashboard(*f.model, {PopoverLens::alerts, {}, accent});
    QuickMenuView quick(*f.model, {[] { return 30; }, accent});
    auto* line = child<QFrame>(quick, "accentLine");
    EXPECT_EQ(dashboard.palette().color(QPalette::Highlight), QColor(ConfigModel::brandColorHex));
    EXPECT_EQ(line->palette().color(QPalette::Window), QColor(ConfigModel::brandColorHex));

    // The stored theme changes: both views take the colour the theme reads as, at once.
    prefs.setAccentTheme(AccentTheme::custom(FlashColor::fromHex("#2060C0")));
    EXPECT_EQ(dashboard.palette().color(QPalette::Highlight), QColor("#2060C0"));
    EXPECT_EQ(dashboard.palette().color(QPalette::HighlightedText), QColor(Qt::white));
    EXPECT_EQ(line->palette().color(QPalette::Window), QColor("#2060C0"));

    prefs.setAccentTheme(AccentTheme::system());
    EXPECT_EQ(dashboard.palette().color(QPalette::Highlight),
              QGuiApplication::palette().color(QPalette::Highlight));
}

TEST_F(TrayPopupsTest, escapeDismissesTheDashboardThroughItsWatch) {
    int outside = 0;
    popovers.showDashboard();
    popovers.watchOutsideClicks([&] {
        ++outside;
        popovers.closeDashboard();
    });
    ASSERT_TRUE(popovers.isDashboardShown());
    QTRY_VERIFY_WITH_TIMEOUT(popovers.dashboard()->isVisible(), 2000);
    QTest::keyClick(popovers.dashboard(), Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(outside, 1, 2000);
    EXPECT_FALSE(popovers.isDashboardShown());

    popovers.showQuickMenu();
    EXPECT_TRUE(popovers.isQuickMenuShown());
    QTest::keyClick(popovers.quickMenu(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!popovers.isQuickMenuShown(), 2000);
    EXPECT_EQ(outside, 1) << "the quick menu closing is not the dashboard's business";
}

TEST_F(TrayPopupsTest, withoutATrayTheDashboardIsAnOrdinaryWindowWhoseCloseIsADismissal) {
    bool tray = false;
    popovers.setTrayQuery([&] { return tray; });
    EXPECT_FALSE(popovers.hasTray());
    tray = true;
    EXPECT_TRUE(popovers.hasTray());

    int dismissed = 0;
    auto* frame = popovers.dashboard();
    popovers.showDashboardWindow();
    popovers.watchOutsideClicks([&] {
        ++dismissed;
        popovers.closeDashboard();
    });
    QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible(), 2000);
    EXPECT_EQ(frame->windowType(), Qt::Window) << "a window the desktop decorates, not a popup";
    EXPECT_EQ(frame->windowTitle(), "Corvale");
    EXPECT_TRUE(popovers.isDashboardShown());

    popovers.showDashboardWindow();
    EXPECT_EQ(dismissed, 0) << "asking again only raises it";
    frame->close();
    QTRY_COMPARE_WITH_TIMEOUT(dismissed, 1, 2000);
    EXPECT_FALSE(popovers.isDashboardShown());

    // Back beside a tray that appeared meanwhile: switching the window's kind is no dismissal.
    popovers.showDashboardWindow();
    QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible(), 2000);
    popovers.showDashboard();
    EXPECT_EQ(frame->windowType(), Qt::Popup);
    EXPECT_EQ(frame->windowTitle(), "Corvale dashboard");
    EXPECT_TRUE(popovers.isDashboardShown());
    EXPECT_EQ(dismissed, 1);
    popovers.closeDashboard();
}

TEST_F(TrayPopupsTest, confirmsThroughTheDialogsOnlyWithTheConfirmingButton) {
    dialogs.alertAnswers = {0u, 1u, std::nullopt};
    EXPECT_TRUE(popovers.confirm("Clear?", "It goes.", "Clear", "Cancel"));
    EXPECT_FALSE(popovers.confirm("Clear?", "It goes.", "Clear", "Cancel"));
    EXPECT_FALSE(popovers.confirm("Clear?", "It goes.", "Clear", "Cancel"))
        << "an alert that could not be shown confirms nothing";
    ASSERT_EQ(dialogs.alerts.size(), 3u);
    EXPECT_EQ(dialogs.alerts[0].message, "Clear?");
    EXPECT_EQ(dialogs.alerts[0].text, "It goes.");
    EXPECT_EQ(dialogs.alerts[0].buttons, (std::vector<std::string>{"Clear", "Cancel"}));
    EXPECT_TRUE(dialogs.alerts[0].destructive);
}

// Names come from anywhere: a 10,000-character app and a 240-character sound must leave the
// dashboard inside its screen, shown cut short with the whole name in a tooltip.
TEST(TrayPopups, longNamesAreCutShortAndTheDashboardStaysOnItsScreen) {
    ModelFixture f;
    const std::string app(10000, 'A');
    const std::string sound = std::string(236, 's') + ".wav";
    f.model->addApp(app);
    f.model->setSound(SoundRef::file(FileUrl::fromPath("/sounds/" + sound)), app);
    f.pings.record(app, Clock::now(), std::nullopt);
    f.model->onOpenSettings = [](const std::optional<PaneID>&) {};
    ScriptedDialogs dialogs;
    TrayPopups popovers(*f.model, dialogs, {PopoverLens::alerts, {}}, {{}, {}},
                        [] { return QRect(); });
    auto* frame = popovers.dashboard();
    const int screenWidth = frame->screen()->availableGeometry().width();
    auto shownWhole = [&](const QString& rowName, const std::string& name) {
        auto* row = child<QWidget>(*frame, rowName);
        ASSERT_NE(row, nullptr);
        EXPECT_LT(frame->width(), screenWidth) << rowName.toStdString();
        EXPECT_LE(frame->maximumWidth(), screenWidth);
        bool found = false;
        for (auto* label : row->parentWidget()->findChildren<QLabel*>()) {
            EXPECT_LT(label->text().size(), 100) << "shown cut short";
            const QRect inFrame(label->mapTo(frame, QPoint()), label->size());
            EXPECT_TRUE(frame->rect().contains(inFrame)) << label->text().left(40).toStdString();
            found = found || label->toolTip().contains(QString::fromStdString(name));
        }
        EXPECT_TRUE(found || row->toolTip().contains(QString::fromStdString(name)))
            << "the whole name is in a tooltip";
    };
    popovers.showDashboard();
    QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible(), 2000);
    shownWhole("alertRow:" + QString::fromStdString(app), app);
    QTest::mouseClick(child<QPushButton>(*frame, "lensSounds"), Qt::LeftButton);
    shownWhole("soundsRow:" + QString::fromStdString(app), sound);
    popovers.closeDashboard();
}

TEST(MenuRenders, drawEveryMenuCrispAtDoubleScaleAndDarkInTheDarkPalette) {
    test::guiApp();
    RenderCatalog catalog;
    addMenuRenders(catalog);
    ASSERT_EQ(catalog.entries().size(), 8u);
    const QPalette light = QApplication::palette();
    for (const auto& entry : catalog.entries()) {
        QImage one = entry.draw({1.0, false, ""});
        QImage two = entry.draw({2.0, false, "@2x"});
        ASSERT_FALSE(one.isNull()) << entry.name.toStdString();
        EXPECT_EQ(two.size(), one.size() * 2) << entry.name.toStdString();
        EXPECT_GT(one.height(), 100) << entry.name.toStdString() << " drew its rows";
    }
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 44));
    dark.setColor(QPalette::Base, QColor(30, 30, 34));
    QApplication::setPalette(dark);
    QImage image = catalog.entries().front().draw({1.0, true, "-dark"});
    QApplication::setPalette(light);
    EXPECT_LT(qGray(image.pixel(image.width() / 2, image.height() - 4)), 100)
        << "the dark palette reaches the views";
}

} // namespace
} // namespace corvale
