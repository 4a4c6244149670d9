#include "ui/settings/views/AddAppChooser.h"

#include "support/QtEventLoop.h"
#include "ui/settings/views/SettingsFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using test::child;
using test::SettingsFixture;

QStringList listed(QWidget& chooser) {
    QStringList out;
    auto* list = child<QListWidget>(chooser, "appList");
    for (int i = 0; i < list->count(); ++i) {
        if (!list->item(i)->isHidden()) {
            out << list->item(i)->text();
        }
    }
    return out;
}

// Runs `act` on the chooser once its modal loop runs.
void whenShown(const std::function<void(QWidget&)>& act) {
    QTimer::singleShot(0, [act] {
        test::pumpEventsUntil([] { return QApplication::activeModalWidget() != nullptr; },
                              std::chrono::seconds(5));
        if (auto* modal = QApplication::activeModalWidget()) {
            act(*modal);
        }
    });
}

TEST(AddAppChooser, listsSeenAppsThenInstalledOnesAndAddsTheChosenName) {
    SettingsFixture f;
    f.model->addApp("Mail");
    f.observed.observe("Signal");
    ConfigPublished values;
    values.seenApps = {"Discord", "mail"};
    f.model->publish(values);
    f.workspace.installed = {{"Thunderbird", "thunderbird", "/apps/thunderbird.desktop"},
                             {"discord", "discord", "/apps/discord.desktop"},
                             {"Element", "element", "/apps/element.desktop"}};
    f.log.lines.clear();

    std::optional<std::string> added;
    whenShown([](QWidget& chooser) {
        EXPECT_EQ(chooser.windowTitle(), "Add an app to Corvale");
        EXPECT_EQ(listed(chooser),
                  (QStringList{"Seen in notifications", "Discord", "Signal",
                               "Installed applications", "Element", "Thunderbird"}));
        auto* list = child<QListWidget>(chooser, "appList");
        EXPECT_EQ(list->currentItem()->text(), "Discord") << "the first app is preselected";
        // Down from the filter field moves through the list.
        QTest::keyClick(child<QLineEdit>(chooser, "appFilter"), Qt::Key_Down);
        EXPECT_EQ(list->currentItem()->text(), "Signal");
        QTest::mouseClick(child<QPushButton>(chooser, "addAppButton"), Qt::LeftButton);
    });
    added = settings::presentAddApp(*f.model, f.workspace);
    EXPECT_EQ(added, std::optional<std::string>("Signal"));
    EXPECT_EQ(f.log.lines, std::vector<std::string>{"[rule] added app Signal"});
    EXPECT_TRUE(f.storedBase("Signal").is_object());
}

TEST(AddAppChooser, aTypedNameInNeitherListIsAddedAsTyped) {
    SettingsFixture f;
    f.workspace.installed = {{"Thunderbird", "thunderbird", "/apps/thunderbird.desktop"}};
    f.observed.observe("BrandNewChat");
    whenShown([](QWidget& chooser) {
        auto* filter = child<QLineEdit>(chooser, "appFilter");
        EXPECT_EQ(filter->maxLength(), AddAppCandidates::maxNameLength);
        auto* list = child<QListWidget>(chooser, "appList");
        list->item(1)->setData(Qt::UserRole + 1, "first made");
        QTest::keyClicks(filter, " Backup Daemon");
        EXPECT_EQ(listed(chooser), QStringList{"Add \u201CBackup Daemon\u201D by name"});
        filter->clear();
        EXPECT_EQ(list->item(1)->data(Qt::UserRole + 1), "first made")
            << "typing hides and shows rows, never makes them anew";
        EXPECT_EQ(listed(chooser), (QStringList{"Seen in notifications", "BrandNewChat",
                                                "Installed applications", "Thunderbird"}));
        QTest::keyClicks(filter, "Chat");
        EXPECT_EQ(listed(chooser), (QStringList{"Seen in notifications", "BrandNewChat",
                                                "Add \u201CChat\u201D by name"}));
        QTest::keyClick(child<QLineEdit>(chooser, "appFilter"), Qt::Key_Return);
    });
    EXPECT_EQ(settings::presentAddApp(*f.model, f.workspace), std::optional<std::string>("Chat"))
        << "Enter adds what is typed, not an app that contains it";
    EXPECT_TRUE(f.storedBase("Chat").is_object());
}

TEST(AddAppChooser, cancelAddsNothingAndNoMatchLeavesNothingToAdd) {
    SettingsFixture f;
    f.workspace.installed = {{"Thunderbird", "thunderbird", "/apps/thunderbird.desktop"}};
    f.log.lines.clear();
    whenShown([](QWidget& chooser) {
        auto* filter = child<QLineEdit>(chooser, "appFilter");
        QTest::keyClicks(filter, "   ");
        EXPECT_TRUE(child<QPushButton>(chooser, "addAppButton")->isEnabled())
            << "blanks filter nothing";
        QTest::keyClick(filter, Qt::Key_Escape);
    });
    EXPECT_EQ(settings::presentAddApp(*f.model, f.workspace), std::nullopt);
    EXPECT_TRUE(f.log.lines.empty());

    settings::AddAppChooser empty({}, {}, {});
    EXPECT_FALSE(child<QPushButton>(empty, "addAppButton")->isEnabled());
    EXPECT_EQ(empty.chosenName(), std::nullopt);
}

} // namespace
} // namespace corvale
