#include "ui/settings/views/QtDialogs.h"

#include "support/GuiApp.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <fstream>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
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

TEST(QtDialogs, fileChooserStartsAtHomeOffersTheExtensionsAndAnswersTheTypedFile) {
    test::guiApp();
    test::TempDir home;
    std::ofstream(home / "Knock.WAV") << "RIFF";
    test::ScopedEnvironment env(
        {{"HOME", home.path().string()}, {"XDG_CONFIG_HOME", (home / "config").string()}});
    QtDialogs dialogs;
    QString folder;
    QStringList filters;
    QString message;
    QTimer typist;
    typist.setInterval(20);
    QObject::connect(&typist, &QTimer::timeout, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser) {
            return;
        }
        typist.stop();
        folder = chooser->directory().absolutePath();
        filters = chooser->nameFilters();
        if (auto* label = chooser->findChild<QLabel*>("openPanelMessage")) {
            message = label->text();
        }
        chooser->findChild<QLineEdit*>("fileNameEdit")->setText("Knock.WAV");
        QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
    });
    typist.start();
    const auto chosen = dialogs.runOpenPanel(
        {"Choose a Sound", "Pick an audio file for Slack.", "Choose", {"wav", "mp3"}, {}});
    EXPECT_EQ(folder, QDir(QString::fromStdString(home.path().string())).absolutePath())
        << "with no Music folder, the chooser starts at home, not in the working folder";
    EXPECT_EQ(filters, QStringList{"Supported files (*.wav *.WAV *.mp3 *.MP3)"});
    EXPECT_EQ(message, "Pick an audio file for Slack.");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->filename(), "Knock.WAV");
}

} // namespace
} // namespace corvale
