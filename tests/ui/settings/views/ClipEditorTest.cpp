#include "ui/settings/views/SoundChoosersFixture.h"

#include "library/linux/WorkerThreadTasks.h"
#include "support/QtEventLoop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

namespace corvale {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::child;

constexpr const char* song = "/music/Song.mp3";

// Opens the editor for Slack on a song of the given length; runs the background work unless told.
ClipEditorWindow* openEditor(test::SoundChoosersFixture& f, std::optional<double> duration = 60,
                             bool runBackground = true) {
    f.media.songs[song] = {duration, 44100, {}};
    f.dialogs.openPanelAnswers.push_back(fs::path(song));
    f.model->onClipFromSong(std::string("Slack"));
    if (runBackground) {
        f.background.runAll();
    }
    return f.choosers->clipEditor();
}

void sendMouse(QWidget* widget, QEvent::Type type, double x, Qt::MouseButton button,
               Qt::MouseButtons held) {
    const QPointF at(x, widget->height() / 2.0);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget* widget, double fromX, double toX) {
    sendMouse(widget, QEvent::MouseButtonPress, fromX, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, (fromX + toX) / 2, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, toX, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, toX, Qt::LeftButton, Qt::NoButton);
}

// Sent as the application delivers keys, through its event filters to the focused control.
void sendKey(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool repeat = false) {
    const QString text = key == Qt::Key_Space ? " " : QString();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text, repeat);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text, repeat);
    QApplication::sendEvent(to, &release);
}

TEST(ClipEditor, opensForTheChosenSongAndLoadsInTheBackground) {
    test::SoundChoosersFixture f;
    QWidget settingsWindow;
    settingsWindow.show();
    f.choosers->sheetHost = [&] { return &settingsWindow; };
    auto* editor = openEditor(f, 60, false);

    ASSERT_EQ(f.dialogs.openPanels.size(), 1u);
    EXPECT_EQ(f.dialogs.openPanels[0].title, "Choose a song to clip");
    EXPECT_NE(f.dialogs.openPanels[0].message.find(
                  "for Slack. Copy-protected tracks (for example, a DRM-protected purchase)"),
              std::string::npos);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->windowTitle(), "Clip a sound");
    EXPECT_EQ(editor->parentWidget(), &settingsWindow) << "a sheet of the open settings window";
    EXPECT_EQ(editor->windowModality(), Qt::WindowModal);

    auto* busy = child<QProgressBar>(*editor, "busy");
    auto* save = child<QPushButton>(*editor, "saveButton");
    auto* strip = child<QWidget>(*editor, "songStrip");
    EXPECT_EQ(child<QLabel>(*editor, "clipStatus")->text(), "Loading\u2026");
    EXPECT_TRUE(busy->isVisible());
    EXPECT_FALSE(save->isEnabled()) << "nothing to save before the song's length is known";

    f.background.runNext();
    EXPECT_EQ(child<QLabel>(*editor, "songTitle")->text().toStdString(),
              editor->model().songTitle())
        << "the title takes the song's length";
    EXPECT_TRUE(strip->isVisible()) << "a song longer than the lane gets the strip";
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(busy->isVisible()) << "the waveform is still being read";
    f.background.runNext();
    EXPECT_FALSE(busy->isVisible());
    EXPECT_FALSE(editor->model().peaks().empty());

    // Cancelled panel: no editor.
    f.choosers->closeClipEditor();
    f.dialogs.openPanelAnswers.push_back(std::nullopt);
    f.model->onClipFromSong(std::string("Slack"));
    EXPECT_EQ(f.choosers->clipEditor(), nullptr);
    EXPECT_EQ(f.background.pending(), 0u);
}

TEST(ClipEditor, draggingInTheLaneAndOnTheStripChangesTheSelection) {
    struct Case {
        const char* name;
        bool onStrip;
        double from, to; // fractions of the widget's width
        double selStart, selEnd;
    };
    // A 60-second song: the lane shows 0-15 s, the selection is 0-3 s; the strip shows 0-60 s.
    // Where each drag lands is the model's test; these show the widgets hand their drags on.
    const Case cases[] = {
        {"end handle trims the end", false, 0.2, 0.4, 0, 6},
        {"the middle moves the selection", false, 0.1, 0.3, 3, 6},
        {"a press on the strip centres the selection there", true, 0.5, 0.5, 28.5, 31.5},
        {"the strip's marker keeps its grab", true, 0.025, 0.525, 30, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SoundChoosersFixture f;
        auto* editor = openEditor(f);
        ASSERT_NE(editor, nullptr);
        QWidget* target = c.onStrip ? child<QWidget>(*editor, "songStrip")
                                    : child<QWidget>(*editor, "waveformLane");
        const double w = target->width();
        drag(target, c.from * w, c.to * w);
        EXPECT_NEAR(editor->model().selStart(), c.selStart, 1e-6);
        EXPECT_NEAR(editor->model().selEnd(), c.selEnd, 1e-6);
    }
}

TEST(ClipEditor, keysNudgeTrimAndPlayExceptWhileTyping) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool inNameField;
        double selStart, selEnd;
    };
    const Case cases[] = {
        {"right moves the selection", Qt::Key_Right, Qt::NoModifier, false, 0.1, 3.1},
        {"shift-left trims the active end", Qt::Key_Left, Qt::ShiftModifier, false, 0, 2.9},
        {"arrows move the cursor in the name field", Qt::Key_Right, Qt::NoModifier, true, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::SoundChoosersFixture f;
        auto* editor = openEditor(f);
        ASSERT_NE(editor, nullptr);
        QWidget* to = c.inNameField ? child<QWidget>(*editor, "clipName")
                                    : child<QWidget>(*editor, "saveButton");
        sendKey(to, c.key, c.modifiers);
        EXPECT_NEAR(editor->model().selStart(), c.selStart, 1e-9);
        EXPECT_NEAR(editor->model().selEnd(), c.selEnd, 1e-9);
    }

    test::SoundChoosersFixture f;
    auto* editor = openEditor(f);
    ASSERT_NE(editor, nullptr);
    auto* play = child<QPushButton>(*editor, "playButton");
    auto* name = child<QLineEdit>(*editor, "clipName");
    auto* lane = child<QWidget>(*editor, "waveformLane");
    sendKey(name, Qt::Key_Space);
    EXPECT_TRUE(f.engine.starts.empty()) << "a space typed into the name plays nothing";
    sendKey(lane, Qt::Key_Space);
    ASSERT_EQ(f.engine.starts.size(), 1u);
    EXPECT_EQ(f.engine.starts[0].offset, 0);
    EXPECT_EQ(play->text(), "Stop");
    sendKey(lane, Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_EQ(f.engine.playingCount(), 1u) << "a held space toggles once";
    sendKey(play, Qt::Key_Space);
    EXPECT_EQ(f.engine.playingCount(), 0u) << "space on a button still toggles the preview";
    EXPECT_EQ(play->text(), "Play");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(f.engine.playingCount(), 1u);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(f.choosers->clipEditor(), nullptr) << "Escape cancels the editor";
    EXPECT_EQ(f.engine.playingCount(), 0u) << "and its preview";
}

TEST(ClipEditor, savingExportsTheClipAndGivesItToTheApp) {
    struct Case {
        const char* typed;
        const char* libraryName;
    };
    for (const Case& c : {Case{"", "Song (0:00\u20130:03)"}, Case{"  Chime ", "Chime"}}) {
        SCOPED_TRACE(c.libraryName);
        test::SoundChoosersFixture f;
        auto* editor = openEditor(f);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(child<QLineEdit>(*editor, "clipName"), c.typed);
        auto* save = child<QPushButton>(*editor, "saveButton");
        QTest::mouseClick(save, Qt::LeftButton);

        EXPECT_EQ(f.background.pending(), 1u) << "exported in the background";
        EXPECT_FALSE(save->isEnabled()) << "one export at a time";
        EXPECT_TRUE(child<QProgressBar>(*editor, "busy")->isVisible());
        EXPECT_FALSE(f.soundOnDisk("Slack"));

        f.background.runAll();
        ASSERT_EQ(f.media.exports.size(), 1u);
        const fs::path clip = f.soundsFolder / "CLIP-1.m4a";
        EXPECT_EQ(f.media.exports[0].target, clip.string());
        EXPECT_EQ(f.media.exports[0].start, 0);
        EXPECT_EQ(f.media.exports[0].length, 3);
        EXPECT_EQ(f.choosers->clipEditor(), nullptr) << "a saved clip closes the editor";
        EXPECT_EQ(f.soundOnDisk("Slack"), SoundRef::file(FileUrl::fromPath(clip.string())));
        ASSERT_EQ(f.sounds.sounds().size(), 1u);
        EXPECT_EQ(f.sounds.sounds()[0].name, c.libraryName);
        EXPECT_TRUE(f.log.contains("[clip] set Slack \u2192 CLIP-1.m4a"));
        EXPECT_TRUE(f.dialogs.alerts.empty());
    }
}

TEST(ClipEditor, failuresAreAlertedAndKeepTheEditorOpen) {
    {
        SCOPED_TRACE("protected track");
        test::SoundChoosersFixture f;
        f.media.exportFailure = ClipExportFailure{ClipExportFailure::Kind::protectedContent, {}};
        auto* editor = openEditor(f);
        ASSERT_NE(editor, nullptr);
        QTest::mouseClick(child<QPushButton>(*editor, "saveButton"), Qt::LeftButton);
        f.background.runAll();
        ASSERT_TRUE(test::pumpEventsUntil([&] { return !f.dialogs.alerts.empty(); }, 5s));
        EXPECT_EQ(f.dialogs.alerts[0].message, "Couldn't save that clip");
        EXPECT_NE(f.dialogs.alerts[0].text.find("(for example, a DRM-protected purchase)"),
                  std::string::npos)
            << f.dialogs.alerts[0].text;
        EXPECT_EQ(f.choosers->clipEditor(), editor);
        EXPECT_TRUE(child<QPushButton>(*editor, "saveButton")->isEnabled());
        EXPECT_FALSE(f.soundOnDisk("Slack"));
    }
    {
        SCOPED_TRACE("unreadable song");
        test::SoundChoosersFixture f;
        auto* editor = openEditor(f, std::nullopt);
        ASSERT_TRUE(test::pumpEventsUntil([&] { return !f.dialogs.alerts.empty(); }, 5s));
        EXPECT_EQ(f.dialogs.alerts[0].message, "Couldn't open that song");
        EXPECT_EQ(f.dialogs.alerts[0].text,
                  "Couldn't read that file's length - it may be unsupported or protected.");
        EXPECT_FALSE(child<QPushButton>(*editor, "saveButton")->isEnabled());
        EXPECT_FALSE(child<QProgressBar>(*editor, "busy")->isVisible());
    }
    {
        SCOPED_TRACE("cancelled while exporting");
        test::SoundChoosersFixture f;
        auto* editor = openEditor(f);
        ASSERT_NE(editor, nullptr);
        QTest::mouseClick(child<QPushButton>(*editor, "saveButton"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(*editor, "cancelButton"), Qt::LeftButton);
        EXPECT_EQ(f.choosers->clipEditor(), nullptr);
        f.background.runAll();
        EXPECT_FALSE(f.soundOnDisk("Slack")) << "a cancelled editor changes no rule";
        EXPECT_TRUE(f.sounds.sounds().empty());
    }
}

TEST(ClipEditor, staysResponsiveWhileTheWaveformIsRead) {
    WorkerThreadTasks worker;
    test::SoundChoosersFixture f(&worker);
    f.media.songs[song] = {60.0, 44100 * 60, [](std::size_t i) {
                               // Reading takes a while, as a long song's decoding does.
                               if (i % 44100 == 0) {
                                   std::this_thread::sleep_for(4ms);
                               }
                               return 0.5f;
                           }};
    f.dialogs.openPanelAnswers.push_back(fs::path(song));
    f.model->onClipFromSong(std::string("Slack"));
    auto* editor = f.choosers->clipEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->model().peaks().empty()) << "the window shows before the waveform";

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    ASSERT_TRUE(test::pumpEventsUntil([&] { return !editor->model().peaks().empty(); }, 20s));
    EXPECT_GE(ticks, 5) << "the event loop ran while the waveform was read";
    EXPECT_FALSE(child<QProgressBar>(*editor, "busy")->isVisible());
}

} // namespace
} // namespace corvale
