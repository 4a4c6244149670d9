#include "ui/settings/views/SettingsWindow.h"

#include "support/QtEventLoop.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/settings/SettingsWindowFrame.h"
#include "ui/settings/views/SettingsFixture.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SettingsSidebar.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Kind = PaneID::Kind;

// Stands in for the panes other parts of the window provide: it only records which it is.
class PlainPane : public settings::FormPane {
public:
    explicit PlainPane(PaneID id) : id_(std::move(id)) {}
    PaneID id() const { return id_; }

protected:
    void build() override { addNote("pane"); }

private:
    PaneID id_;
};

struct WindowFixture : test::SettingsFixture {
    std::vector<PaneID> built;

    PaneFactories factories(std::initializer_list<Kind> kinds) {
        PaneFactories all;
        for (Kind kind : kinds) {
            all[kind] = [this](settings::SettingsContext&, const PaneID& id) {
                built.push_back(id);
                return new PlainPane(id);
            };
        }
        return all;
    }
    std::vector<std::string> sidebarLabels(SettingsWindowController& window) {
        std::vector<std::string> labels;
        for (const auto& e : window.splitView()->sidebar()->entries()) {
            labels.push_back(e.label);
        }
        return labels;
    }
    void addApp(const std::string& name) { model->addApp(name); }
};

TEST(SettingsWindow, sidebarListsOnlyPanesThatCanBeBuiltAndKeepsOrPassesOnItsSelection) {
    WindowFixture f;
    f.addApp("Slack");
    f.addApp("Mail");
    SettingsWindowController window(f.context, f.factories({Kind::app, Kind::help}));
    window.open();
    EXPECT_EQ(f.sidebarLabels(window),
              (std::vector<std::string>{"General", "Mail", "Slack", "Help"}))
        << "no add-app panel: no Add App row; panes without a factory are left out";
    EXPECT_EQ(window.windowTitle(), "Corvale Settings");
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::of(Kind::general));
    EXPECT_EQ(window.splitView()->sidebar()->selectedPane(), PaneID::of(Kind::general));

    window.splitView()->rebuildSidebar(PaneID::app("slack"));
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::app("Slack"));
    ASSERT_FALSE(f.built.empty());
    EXPECT_EQ(f.built.back(), PaneID::app("Slack")) << "the factory is asked for the listed name";

    // A rebuild with nothing asked keeps the pane on show, without building it again.
    const auto builds = f.built.size();
    window.splitView()->rebuildSidebar(std::nullopt);
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::app("Slack"));
    EXPECT_EQ(f.built.size(), builds);

    // A pane removes its app: the sidebar is rebuilt after the pane's action, on General.
    EXPECT_TRUE(f.model->removeApp("Slack"));
    window.context().onAppRemoved();
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::app("Slack"))
        << "not while the pane's action is still running";
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] { return window.splitView()->currentPaneID() == PaneID::of(Kind::general); }, 2s));
    EXPECT_EQ(f.sidebarLabels(window), (std::vector<std::string>{"General", "Mail", "Help"}));
}

TEST(SettingsWindow, choosingRowsShowsPanesAndAddAppSelectsTheAddedApp) {
    WindowFixture f;
    std::vector<std::string> answers{"Zoom"};
    f.model->onAddApp = [&]() -> std::optional<std::string> {
        if (answers.empty()) {
            return std::nullopt;
        }
        f.model->addApp(answers.front());
        auto name = answers.front();
        answers.clear();
        return name;
    };
    SettingsWindowController window(
        f.context, f.factories({Kind::app, Kind::recentAlerts, Kind::allOtherApps}));
    window.open();
    auto* sidebar = window.splitView()->sidebar();
    EXPECT_EQ(
        f.sidebarLabels(window),
        (std::vector<std::string>{"General", "Recent Alerts", "All other apps", "Add App\u2026"}));

    // The arrow keys step over the "Apps" heading.
    sidebar->setFocus();
    QTest::keyClick(sidebar, Qt::Key_Down);
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::of(Kind::recentAlerts));
    QTest::keyClick(sidebar, Qt::Key_Down);
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::of(Kind::allOtherApps));
    auto* pane = dynamic_cast<PlainPane*>(window.splitView()->currentPane());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->id(), PaneID::of(Kind::allOtherApps));

    // Add App runs its action; the added app's editor is selected.
    QTest::keyClick(sidebar, Qt::Key_Down);
    EXPECT_EQ(sidebar->selectedPane(), PaneID::of(Kind::allOtherApps))
        << "an action row does not stay selected";
    ASSERT_TRUE(test::pumpEventsUntil(
        [&] { return window.splitView()->currentPaneID() == PaneID::app("Zoom"); }, 2s));
    EXPECT_EQ(sidebar->selectedPane(), PaneID::app("Zoom"));

    // Cancelled: nothing changes.
    QTest::keyClick(sidebar, Qt::Key_Down);
    test::pumpEventsFor(50ms);
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::app("Zoom"));
}

// A save that fails and a file set aside show in the window and on the dashboard, as plain text,
// until a save works or the user dismisses the notice.
TEST(SettingsWindow, dataFileProblemsShowHereAndOnTheDashboard) {
    WindowFixture f;
    SettingsWindowController window(f.context, f.factories({Kind::help}));
    window.open();
    ConfigView dashboard(*f.model, {PopoverLens::alerts, {}});
    dashboard.show();
    auto shown = [&](const char* name) {
        int count = 0;
        for (QWidget* view : std::initializer_list<QWidget*>{&window, &dashboard}) {
            auto* widget = test::child<QWidget>(*view, name);
            count += widget && widget->isVisible() ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(shown("saveProblem") + shown("storeNotice") + shown("dismissStoreNotice"), 0);

    std::filesystem::remove_all(f.dir.path());
    test::writeFile(f.dir.path(), "the data folder replaced by a file");
    f.addApp("Slack");
    EXPECT_EQ(shown("saveProblem"), 2);
    auto* problem = test::child<QLabel>(window, "saveProblem");
    EXPECT_EQ(problem->text().toStdString(), f.model->saveProblem());
    EXPECT_EQ(problem->textFormat(), Qt::PlainText);

    std::filesystem::remove(f.dir.path());
    test::writeFile(f.dir / "rules.json", "<b>not json</b>");
    f.rules.load();
    EXPECT_EQ(shown("saveProblem"), 0) << "the fresh file was saved";
    EXPECT_EQ(shown("storeNotice"), 2);
    EXPECT_EQ(test::child<QLabel>(dashboard, "storeNotice")->text().toStdString(),
              f.model->storeNotice());
    QTest::mouseClick(test::child<QPushButton>(window, "dismissStoreNotice"), Qt::LeftButton);
    EXPECT_EQ(shown("storeNotice") + shown("dismissStoreNotice"), 0);
}

TEST(SettingsWindow, escapeHidesTheWindowWhichReopensOnTheSameObject) {
    WindowFixture f;
    SettingsWindowController window(f.context, f.factories({Kind::help}));
    window.open(PaneID::of(Kind::help));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());

    window.open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.splitView()->currentPaneID(), PaneID::of(Kind::help))
        << "reopened on the pane it showed";
}

TEST(SettingsWindow, aFrameLeftOnAnUnpluggedScreenOpensCentredAndTheFrameIsRemembered) {
    WindowFixture f;
    f.prefs.setSettingsWindowFrame("20000 20000 900 600");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect left;
    {
        SettingsWindowController window(f.context);
        window.open();
        EXPECT_EQ(window.size(), QSize(900, 600)) << "the remembered size is kept";
        EXPECT_TRUE(screen.contains(window.geometry().topLeft()))
            << "brought onto the screen that is there";
        window.move(screen.topLeft() + QPoint(30, 40));
        ASSERT_TRUE(test::pumpEventsUntil(
            [&] { return window.pos() == screen.topLeft() + QPoint(30, 40); }, 2s));
        left = window.geometry();
        window.close();
    }
    EXPECT_EQ(SettingsWindowFrame::fromStoredText(f.prefs.settingsWindowFrame().value_or("")),
              (WindowRect{left.x(), left.y(), left.width(), left.height()}))
        << "closing remembers the frame";

    SettingsWindowController again(f.context);
    again.open();
    EXPECT_EQ(again.geometry(), left) << "restored where it was left";
    EXPECT_EQ(again.minimumSize(), QSize(814, 440));
    EXPECT_EQ(again.maximumSize(), QSize(1400, 1000));
}

TEST(SettingsWindow, sidebarTilesFollowTheAccentPreference) {
    WindowFixture f;
    SettingsWindowController window(f.context);
    window.open();
    auto* sidebar = window.splitView()->sidebar();
    const SidebarEntry general = sidebar->entries().front();
    const QColor own = sidebar->tileColor(general);
    const QImage before = sidebar->item(1)->icon().pixmap(22).toImage();
    f.prefs.setSidebarIconsUseAccent(true);
    EXPECT_EQ(sidebar->tileColor(general), QGuiApplication::palette().color(QPalette::Highlight));
    EXPECT_NE(sidebar->tileColor(general), own);
    EXPECT_NE(sidebar->item(1)->icon().pixmap(22).toImage(), before)
        << "the change notice redraws the tiles";
}

} // namespace
} // namespace corvale
