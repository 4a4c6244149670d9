#include "app/StatusMenus.h"

#include "support/AppHarness.h"
#include "support/RecordingStatusButton.h"
#include "ui/menubar/MenuTexts.h"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono_literals;

// The popups as the menus' logic sees them: open flags and the questions asked.
struct FakePopupHost : PopupHost {
    bool tray = true;
    TrayAnchor anchor = TrayAnchor::icon;
    bool dashboard = false;
    // How the dashboard was last shown.
    bool asWindow = false;
    bool quick = false;
    std::function<void()> outsideClick;
    std::vector<std::string> questions;
    bool answer = false;
    int quits = 0;

    bool hasTray() const override { return tray; }
    bool isDashboardShown() const override { return dashboard; }
    TrayAnchor showDashboard() override {
        dashboard = true;
        asWindow = false;
        return anchor;
    }
    void showDashboardWindow() override {
        dashboard = true;
        asWindow = true;
    }
    void closeDashboard() override { dashboard = false; }
    void watchOutsideClicks(std::function<void()> fn) override { outsideClick = std::move(fn); }
    bool isQuickMenuShown() const override { return quick; }
    void showQuickMenu() override { quick = true; }
    void closeQuickMenu() override { quick = false; }
    bool confirm(const std::string& title, const std::string& text, const std::string& yes,
                 const std::string& no) override {
        questions.push_back(title + "|" + text + "|" + yes + "|" + no);
        return answer;
    }
    void quit() override { ++quits; }
};

struct StatusMenusTest : ::testing::Test {
    test::AppHarness h;
    test::RecordingStatusButton button;
    FakePopupHost host;
    std::unique_ptr<StatusMenus> menus;

    void SetUp() override {
        h.create();
        h.app->status().setButton(&button);
        h.launch();
        menus = std::make_unique<StatusMenus>(*h.app, h.preferences);
        menus->setupStatusItem();
        menus->attachHost(&host);
    }
    int received = 0;
    // Alerts as the program receives them, each a second after the last.
    void receiveAlerts(int count) {
        for (int i = 0; i < count; ++i) {
            ObservedNotification n;
            n.uuid = "n" + std::to_string(received++);
            n.appName = "Slack";
            n.title = "Message";
            n.kind = ObservedNotification::Kind::single;
            h.scheduler.advance(1s);
            n.timestamp = h.scheduler.now();
            h.app->handle(n);
        }
    }
};

TEST_F(StatusMenusTest, clicksOpenTheDashboardOrTheQuickMenu) {
    using Click = StatusMenus::Click;
    menus->statusClicked(Click::primary, false);
    EXPECT_TRUE(host.dashboard);
    menus->statusClicked(Click::primary, false);
    EXPECT_FALSE(host.dashboard) << "a second primary click closes the dashboard";

    menus->statusClicked(Click::primary, true);
    EXPECT_TRUE(host.quick) << "Control-click opens the quick menu even with the primary button";
    EXPECT_FALSE(host.dashboard);
    menus->statusClicked(Click::secondary, false);
    EXPECT_FALSE(host.quick) << "the quick menu's own click closes it";

    menus->statusClicked(std::nullopt, false);
    EXPECT_TRUE(host.dashboard) << "an activation without a mouse event opens the dashboard";
    menus->statusClicked(Click::secondary, false);
    EXPECT_TRUE(host.quick);
    EXPECT_FALSE(host.dashboard) << "never both popups at once";
}

TEST_F(StatusMenusTest, closingAnOpenDashboardMarksAlertsSeenAndClearsTheBadge) {
    receiveAlerts(3);
    menus->closePopover();
    EXPECT_EQ(button.badge(), "3") << "closing a dashboard that is not open changes nothing";
    EXPECT_FALSE(h.app->prefs().pingHistorySeenThrough());

    menus->togglePopover();
    EXPECT_EQ(button.badge(), "3") << "opening alone does not mark anything seen";
    ASSERT_TRUE(host.outsideClick) << "an open dashboard watches for clicks outside it";
    host.outsideClick();
    EXPECT_FALSE(host.dashboard);
    EXPECT_FALSE(host.outsideClick) << "the watch ends with the dashboard";
    EXPECT_EQ(button.badge(), "");
    EXPECT_EQ(h.app->prefs().pingHistorySeenThrough(),
              h.app->pingLogStore().records().back().timestamp);

    receiveAlerts(1);
    EXPECT_EQ(button.badge(), "1") << "alerts after the close count again";
    menus->togglePopover();
    menus->showQuickMenu();
    EXPECT_EQ(button.badge(), "") << "the quick menu closes the dashboard first, marking seen";
}

TEST_F(StatusMenusTest, dashboardAskedForFromOutsideOpensBesideTheTrayOrAsAWindow) {
    receiveAlerts(2);
    menus->showQuickMenu();
    h.app->openDashboard();
    EXPECT_TRUE(host.dashboard);
    EXPECT_FALSE(host.asWindow);
    EXPECT_FALSE(host.quick) << "never both popups at once";
    EXPECT_TRUE(h.log.contains("[dashboard] opened beside the tray icon"));
    h.app->openDashboard();
    EXPECT_TRUE(host.dashboard) << "asking again keeps it open, unlike a second click";
    menus->togglePopover();
    EXPECT_FALSE(host.dashboard) << "a click on the icon closes it as usual";
    EXPECT_EQ(button.badge(), "");

    host.anchor = TrayAnchor::bottomRight;
    h.app->openDashboard();
    EXPECT_TRUE(h.log.contains("[dashboard] opened at the screen's bottom-right corner, where the "
                               "panel is - the tray gives no icon position"));
    menus->togglePopover();

    receiveAlerts(1);
    host.tray = false;
    h.app->openDashboard();
    EXPECT_TRUE(host.dashboard);
    EXPECT_TRUE(host.asWindow);
    EXPECT_TRUE(h.log.contains("[dashboard] opened as a window - no system tray on this desktop"));
    EXPECT_EQ(button.badge(), "1");
    ASSERT_TRUE(host.outsideClick) << "the window tells the menus when the user closes it";
    host.outsideClick();
    EXPECT_FALSE(host.dashboard);
    EXPECT_EQ(button.badge(), "") << "closing the window marks the alerts seen";
    EXPECT_EQ(h.app->prefs().pingHistorySeenThrough(),
              h.app->pingLogStore().records().back().timestamp);

    menus.reset();
    h.app->openDashboard();
    EXPECT_TRUE(h.log.contains("[dashboard] no dashboard to open"))
        << "the menus gone, the request reaches nothing";
}

TEST_F(StatusMenusTest, rowsLeadingElsewhereCloseThePopupsFirst) {
    std::vector<std::optional<PaneID>> panes;
    auto open = [&](const std::optional<PaneID>& pane) {
        EXPECT_FALSE(host.dashboard || host.quick) << "the popups close before the window opens";
        panes.push_back(pane);
    };
    std::vector<std::string> activated;
    std::vector<std::string> lines;
    auto activate = [&](const std::string& app) {
        activated.push_back(app);
        return app == "Slack";
    };
    auto log = [&](const std::string& line) { lines.push_back(line); };

    receiveAlerts(2);
    menus->togglePopover();
    menus->openSettings(PaneID::of(PaneID::Kind::recentAlerts), open);
    EXPECT_FALSE(host.dashboard);
    EXPECT_EQ(button.badge(), "") << "closed this way, the dashboard still marks alerts seen";
    menus->showQuickMenu();
    menus->openSettings(std::nullopt, open);
    EXPECT_FALSE(host.quick);
    ASSERT_EQ(panes.size(), 2u);
    EXPECT_EQ(panes[0], PaneID::of(PaneID::Kind::recentAlerts));
    EXPECT_EQ(panes[1], std::nullopt);

    menus->togglePopover();
    menus->openApp("Slack", activate, log);
    EXPECT_FALSE(host.dashboard);
    menus->openApp("Gone Chat", activate, log);
    EXPECT_EQ(activated, (std::vector<std::string>{"Slack", "Gone Chat"}));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "[open-app] \"Slack\" brought forward",
                         "[open-app] no running or installed application matches \"Gone Chat\""}));
}

TEST_F(StatusMenusTest, lensStartsFromTheStoredChoiceElseFromTheAlerts) {
    EXPECT_EQ(menus->initialLens(), PopoverLens::sounds) << "no alerts, nothing stored";
    receiveAlerts(1);
    EXPECT_EQ(menus->initialLens(), PopoverLens::alerts);
    menus->chooseLens(PopoverLens::sounds);
    EXPECT_EQ(h.preferences.textValue("popoverLens"), "sounds");
    EXPECT_EQ(menus->initialLens(), PopoverLens::sounds);
    h.preferences.set("popoverLens", std::string("Alerts"));
    EXPECT_EQ(menus->initialLens(), PopoverLens::alerts) << "unknown text falls back";
    h.preferences.set("popoverLens", true);
    EXPECT_EQ(menus->initialLens(), PopoverLens::alerts) << "a value of the wrong type too";
}

TEST_F(StatusMenusTest, clearingAllAlertsAsksFirstAndOnlyWhenThereAreAny) {
    menus->clearRecentAlerts();
    EXPECT_TRUE(host.questions.empty()) << "nothing to clear, nothing asked";

    receiveAlerts(2);
    menus->clearRecentAlerts();
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], std::string(MenuTexts::clearAllTitle) + "|" +
                                     MenuTexts::clearAllText + "|Clear|Cancel");
    EXPECT_EQ(h.app->pingLogStore().records().size(), 2u) << "cancelled";

    host.answer = true;
    menus->clearRecentAlerts();
    EXPECT_TRUE(h.app->pingLogStore().records().empty());
    EXPECT_EQ(button.badge(), "");
}

TEST_F(StatusMenusTest, quickMenuRowsReachTheApplication) {
    auto& model = menus->configModel();
    menus->showQuickMenu();
    EXPECT_FALSE(model.published().isSnoozed);

    model.onSnooze();
    EXPECT_TRUE(h.app->silence().snoozeDeadline());
    EXPECT_TRUE(model.published().isSnoozed) << "the row turns into Resume at once";
    model.onSnooze();
    EXPECT_FALSE(h.app->silence().snoozeDeadline());
    EXPECT_FALSE(model.published().isSnoozed);

    model.onSoundsEnabledChanged(false);
    EXPECT_FALSE(h.app->prefs().soundsEnabled());
    EXPECT_FALSE(model.published().soundsEnabled);
    EXPECT_TRUE(h.log.contains("[toggle] play-sounds = false"));

    menus->quit();
    EXPECT_FALSE(host.quick);
    EXPECT_EQ(host.quits, 1);
}

TEST_F(StatusMenusTest, snoozeStateIsReadWhenTheQuickMenuOpens) {
    h.app->silence().beginSnooze();
    menus->showQuickMenu();
    EXPECT_TRUE(menus->configModel().published().isSnoozed);
    menus->showQuickMenu();
    h.scheduler.advance(std::chrono::minutes(h.app->prefs().snoozeDurationMinutes()) + 1s);
    menus->showQuickMenu();
    EXPECT_FALSE(menus->configModel().published().isSnoozed) << "the snooze ran out meanwhile";
}

} // namespace
} // namespace corvale
