#include "app/linux/DesktopSession.h"
#include "support/GuiApp.h"
#include "support/PrivateBus.h"
#include "support/QtEventLoop.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace corvale;
using namespace std::chrono_literals;

namespace {

SettingsWindowController* settingsWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "settingsWindow" && widget->isVisible()) {
            return static_cast<SettingsWindowController*>(widget);
        }
    }
    return nullptr;
}

} // namespace

// The whole session assembled as the program runs it, on Qt's offscreen platform and a private
// bus, without a display or an audio server: every hook of the model leads somewhere, the ways in
// from outside reach the views, and it comes down again without a crash.
TEST(DesktopSession, wiresEveryHookAndAnswersOnTheBus) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ready()) << bus.setupError();
    test::TempDir dir;
    test::ScopedEnvironment environment{{"HOME", dir.path().string()},
                                        {"XDG_DATA_HOME", (dir / "data").string()},
                                        {"XDG_CONFIG_HOME", (dir / "config").string()},
                                        {"DISPLAY", std::nullopt},
                                        {"WAYLAND_DISPLAY", std::nullopt},
                                        {"PULSE_SERVER", (dir / "no-pulse").string()}};
    test::guiApp();
    const SessionFolders folders{dir / "data" / "Corvale",
                                 dir / "config" / "Corvale",
                                 {dir / "tones"},
                                 dir / "bin" / "corvale"};
    {
        DesktopSession session(folders);
        ConfigModel& model = *session.delegate().configModel();
        EXPECT_TRUE(model.onOpenSettings && model.onOpenApp && model.onQuit &&
                    model.onClearRecentAlerts && model.onChooseFile && model.onClipFromSong &&
                    model.onAddApp)
            << "the views' and the menus' hooks";
        EXPECT_TRUE(model.onSoundsEnabledChanged && model.onForgetSeenApp && model.onFlashPreview &&
                    model.onScreenFlashPreview && model.onSnooze)
            << "the application object's hooks";

        // Another program asks for the About pane over the bus, as `corvale settings about` does.
        auto sender =
            bus.start({"dbus-send", "--session", "--print-reply", "--dest=com.talvo.corvale",
                       "/com/talvo/corvale", "com.talvo.corvale.OpenSettings", "string:about"});
        ASSERT_TRUE(test::pumpEventsUntil(
            [] {
                auto* window = settingsWindow();
                return window &&
                       window->splitView()->currentPaneID() == PaneID::of(PaneID::Kind::about);
            },
            10s))
            << "the settings window did not open at About";
        ASSERT_TRUE(test::pumpEventsUntil([&] { return !sender->running(); }, 10s));
        EXPECT_EQ(sender->wait(1s), 0) << sender->errors();

        // A row of the dashboard opens the same window at another pane.
        model.onOpenSettings(PaneID::of(PaneID::Kind::recentAlerts));
        EXPECT_EQ(settingsWindow()->splitView()->currentPaneID(),
                  PaneID::of(PaneID::Kind::recentAlerts));

        // The model's switch reaches the preferences file the command line also reads.
        model.onSoundsEnabledChanged(false);
        JsonFilePreferences onDisk(JsonFilePreferences::defaultFile(folders.config), {});
        EXPECT_EQ(onDisk.boolValue(prefkeys::soundsEnabled), false);
    }
    EXPECT_EQ(settingsWindow(), nullptr) << "the window goes with the session";
}
