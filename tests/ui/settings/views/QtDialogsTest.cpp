#include "ui/settings/views/QtDialogs.h"

#include "support/GuiApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace corvale {
namespace {

TEST(QtDialogs, alertShowsItsTextAndAnswersTheClickedButton) {
    test::guiApp();
    QtDialogs dialogs;
    QString shownText;
    QString shownDetail;
    // Answers the box once it is up: clicks the button titled "Keep".
    QTimer clicker;
    clicker.setInterval(20);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        clicker.stop();
        shownText = box->text();
        shownDetail = box->informativeText();
        for (auto* button : box->buttons()) {
            if (button->text() == "Keep") {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    });
    clicker.start();
    auto answer =
        dialogs.runModalAlert({"Remove Slack?", "Its rules go too.", {"Remove", "Keep", "Cancel"}});
    EXPECT_EQ(answer, 1u);
    EXPECT_EQ(shownText, "Remove Slack?");
    EXPECT_EQ(shownDetail, "Its rules go too.");
}

} // namespace
} // namespace corvale
