#include "ui/settings/views/QtDialogs.h"

#include "support/GuiApp.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <fstream>
#include <functional>
#include <memory>

#include <QAbstractItemView>
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

// Acts once on the modal dialog of type T when it is up, from the event loop the dialog runs.
template <typename T> std::unique_ptr<QTimer> whenModal(std::function<void(T&)> act) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(20);
    QObject::connect(timer.get(), &QTimer::timeout, [self = timer.get(), act = std::move(act)] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            self->stop();
            act(*dialog);
        }
    });
    timer->start();
    return timer;
}

TEST(QtDialogs, alertShowsItsTextAndAnswersTheClickedButton) {
    test::guiApp();
    QtDialogs dialogs;
    QString shownText;
    QString shownDetail;
    QString shownTitle;
    // Answers the box once it is up: clicks the button titled "Keep".
    auto clicker = whenModal<QMessageBox>([&](QMessageBox& box) {
        shownText = box.text();
        shownDetail = box.informativeText();
        shownTitle = box.windowTitle();
        for (auto* button : box.buttons()) {
            if (button->text() == "Keep") {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    });
    auto answer =
        dialogs.runModalAlert({"Remove Slack?", "Its rules go too.", {"Remove", "Keep", "Cancel"}});
    EXPECT_EQ(answer, 1u);
    EXPECT_EQ(shownText, "Remove Slack?");
    EXPECT_EQ(shownDetail, "Its rules go too.");
    EXPECT_EQ(shownTitle, "Corvale") << "the product's name, not the program's file name";
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
    auto typist = whenModal<QFileDialog>([&](QFileDialog& chooser) {
        folder = chooser.directory().absolutePath();
        filters = chooser.nameFilters();
        if (auto* label = chooser.findChild<QLabel*>("openPanelMessage")) {
            message = label->text();
        }
        chooser.findChild<QLineEdit*>("fileNameEdit")->setText("Knock.WAV");
        QMetaObject::invokeMethod(&chooser, "accept", Qt::QueuedConnection);
    });
    const auto chosen = dialogs.runOpenPanel(
        {"Choose a Sound", "Pick an audio file for Slack.", "Choose", {"wav", "mp3"}, {}, {}});
    EXPECT_EQ(folder, QDir(QString::fromStdString(home.path().string())).absolutePath())
        << "with no Music folder, the chooser starts at home, not in the working folder";
    EXPECT_EQ(filters, QStringList{"Supported files (*.wav *.WAV *.mp3 *.MP3)"});
    EXPECT_EQ(message, "Pick an audio file for Slack.");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->filename(), "Knock.WAV");
}

// Names of the files the chooser lists in its current folder.
QStringList listedFiles(QFileDialog& chooser) {
    auto* view = chooser.findChild<QAbstractItemView*>("listView");
    QStringList names;
    test::pumpEventsUntil([&] { return view->model()->rowCount(view->rootIndex()) > 0; },
                          std::chrono::seconds(5));
    test::pumpEventsFor(std::chrono::milliseconds(200));
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        const auto index = view->model()->index(row, 0, view->rootIndex());
        if (index.flags() & Qt::ItemIsEnabled) {
            names << index.data().toString();
        }
    }
    names.sort();
    return names;
}

TEST(QtDialogs, audioChooserShowsEveryAudioFileInAnyCaseAndOffersAllFiles) {
    test::guiApp();
    test::TempDir music;
    for (const char* name : {"Song.FlAc", "voice.Opus", "Ring.WMA", "beep.aac", "notes.txt"}) {
        std::ofstream(music / name) << "data";
    }
    QtDialogs dialogs;
    QStringList filters;
    QStringList audio;
    QStringList all;
    auto looker = whenModal<QFileDialog>([&](QFileDialog& chooser) {
        filters = chooser.nameFilters();
        audio = listedFiles(chooser);
        chooser.selectNameFilter(filters.value(1));
        all = listedFiles(chooser);
        chooser.reject();
    });
    dialogs.runOpenPanel({"Choose a Sound", "", "Choose", {}, music.path(), {"audio/*"}});
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("Supported files (")) << filters[0].toStdString();
    EXPECT_EQ(filters[1], "All files (*)");
    EXPECT_EQ(audio, (QStringList{"Ring.WMA", "Song.FlAc", "beep.aac", "voice.Opus"}));
    EXPECT_EQ(all, (QStringList{"Ring.WMA", "Song.FlAc", "beep.aac", "notes.txt", "voice.Opus"}));
}

} // namespace
} // namespace corvale
