#include "ui/settings/views/GeneralPane.h"

#include "platform/linux/XdgAutostart.h"
#include "silence/HotKeyRegistrar.h"
#include "support/ScopedEnvironment.h"
#include "ui/settings/GeneralTexts.h"
#include "ui/settings/HotKeyNotes.h"
#include "ui/settings/views/HotKeyRecorderView.h"
#include "ui/settings/views/SettingsFixture.h"
#include "ui/settings/views/ThemeColorPicker.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>

namespace corvale {
namespace {

using test::child;

struct PaneFixture : test::SettingsFixture {
    std::unique_ptr<GeneralPane> pane;

    GeneralPane& show() {
        pane = std::make_unique<GeneralPane>(context);
        pane->resize(640, 560);
        pane->show();
        return *pane;
    }
};

TEST(GeneralPane, eachControlWritesItsPreferenceAndTellsWhoMustKnow) {
    struct Case {
        const char* what;
        std::function<void(GeneralPane&)> act;
        std::function<bool(SettingsPrefs&)> written;
        const char* posted; // the notification that must follow, or none
    };
    auto choose = [](const char* name, int index) {
        return [=](GeneralPane& pane) {
            auto* box = child<QComboBox>(pane, name);
            box->setCurrentIndex(index);
            emit box->activated(index);
        };
    };
    auto click = [](const char* name) {
        return [=](GeneralPane& pane) {
            QTest::mouseClick(child<QAbstractButton>(pane, name), Qt::LeftButton);
        };
    };
    const Case cases[] = {
        {"Play sounds off", click("playSounds"), [](auto& p) { return !p.soundsEnabled(); },
         notes::statusItemNeedsRefresh},
        {"snooze for 2 hours", choose("snoozeFor", 3),
         [](auto& p) { return p.snoozeDurationMinutes() == 120; }, nullptr},
        {"gentle flashes", choose("flashIntensity", 0),
         [](auto& p) { return p.flashIntensity() == FlashIntensity::gentle; }, nullptr},
        {"long flashes", choose("flashDuration", 2),
         [](auto& p) { return p.flashDuration() == FlashDuration::long_; }, nullptr},
        {"flash three times", choose("flashRepeat", 2),
         [](auto& p) { return p.flashRepeat() == 3; }, nullptr},
        {"accent sidebar icons", click("sidebarIconsUseAccent"),
         [](auto& p) { return p.sidebarIconsUseAccent(); }, notes::sidebarIconStyleChanged},
        {"waveform tray glyph", click("iconStyle:waveform"),
         [](auto& p) { return p.menuBarIconStyleKey() == "waveform"; },
         notes::statusItemNeedsRefresh},
        {"system accent theme", click("themeSystem"),
         [](auto& p) { return p.accentTheme() == AccentTheme::system(); },
         notes::themeAccentChanged},
        {"test flash", click("testFlash"), [](auto&) { return true; }, notes::testFlash},
    };
    for (const auto& c : cases) {
        PaneFixture f;
        auto& pane = f.show();
        c.act(pane);
        EXPECT_TRUE(c.written(f.prefs)) << c.what;
        if (c.posted) {
            EXPECT_EQ(f.posted[c.posted], 1) << c.what;
        }
    }
}

TEST(GeneralPane, controlsShowTheStoredPreferencesUnderSpokenNames) {
    PaneFixture f;
    f.prefs.setSoundsEnabled(false);
    f.prefs.setSnoozeDurationMinutes(60);
    f.prefs.setFlashRepeat(2);
    f.prefs.setFlashDuration(FlashDuration::brief);
    f.prefs.setMenuBarIconStyleKey("no such style");
    auto& pane = f.show();
    EXPECT_FALSE(child<QCheckBox>(pane, "playSounds")->isChecked());
    EXPECT_EQ(child<QComboBox>(pane, "snoozeFor")->currentText(), "1 hour");
    EXPECT_EQ(child<QComboBox>(pane, "flashRepeat")->currentText(), "Twice");
    EXPECT_EQ(child<QComboBox>(pane, "flashDuration")->currentText(), "Brief");
    EXPECT_TRUE(child<QToolButton>(pane, "iconStyle:bell")->isChecked())
        << "an unknown stored style shows as the bell";
    EXPECT_EQ(child<QToolButton>(pane, "iconStyle:waveform")->toolTip(), "Waveform");
    EXPECT_EQ(child<QToolButton>(pane, "iconStyle:waveform")->accessibleName(), "Waveform");
    EXPECT_EQ(child<QLabel>(pane, "accessStatus")->text(), "Granted");
    EXPECT_FALSE(child<QPushButton>(pane, "openNotificationSettings")->isEnabled())
        << "no desktop settings to open: the button cannot promise it";
    EXPECT_EQ(pane.findChild<QCheckBox*>("launchAtLogin"), nullptr)
        << "no autostart service: no switch";

    // A button in a row is named by the row's title, a control without words by its label.
    const std::pair<const char*, const char*> spoken[] = {
        {"testFlash", "Test flash"}, {"sidebarIconsUseAccent", "Accent-colored sidebar icons"}};
    for (const auto& [name, words] : spoken) {
        auto* accessible = QAccessible::queryAccessibleInterface(child<QWidget>(pane, name));
        ASSERT_NE(accessible, nullptr) << name;
        EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), words) << name;
    }
}

TEST(GeneralPane, recorderWritesTheShortcutAndSaysWhenAnotherProgramHoldsIt) {
    PaneFixture f;
    bool live = true;
    HotKeyNotes::Sources sources;
    sources.status = [&](std::uint32_t id) {
        GlobalShortcutStatus status;
        status.combo = f.prefs.muteHotKeyCombo();
        status.registered = id == HotKeyRegistrar::muteHotKeyID && live;
        return status;
    };
    HotKeyNotes notes(sources, f.dialogs, [](const std::string&) {});
    f.context.hotKeyNotes = &notes;
    auto& pane = f.show();
    auto* recorder = child<HotKeyRecorderView>(pane, "muteHotKey");
    auto* record = child<QPushButton>(*recorder, "record");
    auto* problem = child<QLabel>(*recorder, "problem");
    EXPECT_EQ(record->text(), "Record Shortcut");

    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(record->text(), "Type shortcut\u2026  (Esc to cancel)");
    QTest::keyClick(recorder, Qt::Key_Control);
    EXPECT_EQ(f.dialogs.beeps, 0) << "a modifier pressed on its own is not refused";
    QTest::keyClick(recorder, Qt::Key_M, Qt::AltModifier | Qt::MetaModifier);
    EXPECT_EQ(f.prefs.muteHotKeyCombo(),
              (HotKeyCombo{46, HotKeyModifiers::option | HotKeyModifiers::command}));
    EXPECT_EQ(f.posted[notes::hotKeyChanged], 1);
    EXPECT_EQ(record->text(), QString::fromUtf8("Alt+Super+M"));
    EXPECT_TRUE(problem->isHidden());
    // A keyboard mapping change costs the grab: the pane says so as soon as the model tells.
    live = false;
    f.model->announceChange();
    EXPECT_FALSE(problem->isHidden());

    // Another program holds the next one: the registrar fails, and the pane says so.
    live = false;
    QTest::mouseClick(record, Qt::LeftButton);
    QTest::keyClick(recorder, Qt::Key_F5);
    EXPECT_EQ(f.prefs.muteHotKeyCombo(), (HotKeyCombo{96, {}})) << "F5 alone is a shortcut";
    EXPECT_FALSE(problem->isHidden());
    EXPECT_TRUE(problem->text().endsWith(GeneralTexts::hotKeyInUse)) << "after the warning mark";

    // Escape with Caps Lock on is refused, as the window system reports Caps Lock; Escape alone
    // cancels and leaves everything as it was.
    QTest::mouseClick(record, Qt::LeftButton);
    QKeyEvent capsLockEscape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 0, 0, 0x2);
    QApplication::sendEvent(recorder, &capsLockEscape);
    EXPECT_TRUE(recorder->recorder().isRecording());
    EXPECT_EQ(f.dialogs.beeps, 1);
    QTest::keyClick(recorder, Qt::Key_Escape);
    EXPECT_EQ(f.prefs.muteHotKeyCombo(), (HotKeyCombo{96, {}}));
    EXPECT_EQ(f.posted[notes::hotKeyChanged], 2);

    QTest::mouseClick(child<QToolButton>(*recorder, "clear"), Qt::LeftButton);
    EXPECT_EQ(f.prefs.muteHotKeyCombo(), std::nullopt);
    EXPECT_EQ(f.preferences.integerValue(prefkeys::muteHotKeyCode), -1);
    EXPECT_TRUE(problem->isHidden()) << "no shortcut, nothing in use";
    EXPECT_EQ(f.prefs.snoozeHotKeyCombo(), std::nullopt) << "the other recorder is untouched";
}

TEST(GeneralPane, playSoundsSwitchFollowsSoundsTurnedOffAndOnElsewhere) {
    PaneFixture f;
    auto& pane = f.show();
    auto* play = child<QCheckBox>(pane, "playSounds");
    ASSERT_TRUE(play->isChecked());

    // The mute shortcut (or the tray menu, or the command line) writes the preference; the
    // program then publishes it to the model.
    auto soundsTurned = [&](bool on) {
        f.prefs.setSoundsEnabled(on);
        ConfigPublished values;
        values.soundsEnabled = on;
        f.model->publish(values);
    };
    soundsTurned(false);
    EXPECT_FALSE(play->isChecked());
    const int posts = f.posted[notes::statusItemNeedsRefresh];
    soundsTurned(true);
    EXPECT_TRUE(play->isChecked());
    EXPECT_EQ(f.posted[notes::statusItemNeedsRefresh], posts + 1)
        << "showing the change writes nothing back";

    // The switch of a column built again follows too.
    pane.rebuild();
    soundsTurned(false);
    EXPECT_FALSE(child<QCheckBox>(pane, "playSounds")->isChecked());

    // Turned by the user, it asks the model, as the tray menu does, so the change is logged.
    QTest::mouseClick(child<QCheckBox>(pane, "playSounds"), Qt::LeftButton);
    EXPECT_EQ(f.soundsSwitched, std::vector<bool>{true});
    EXPECT_TRUE(f.prefs.soundsEnabled());
}

TEST(GeneralPane, customThemeStoresTheChosenColourAndACancelChangesNothing) {
    PaneFixture f;
    auto& pane = f.show();
    auto* picker = child<ThemeColorPicker>(pane, "themeColorPicker");
    std::optional<QColor> answer;
    int asked = 0;
    picker->chooseColor = [&](const QColor&, QWidget*) {
        ++asked;
        return answer;
    };
    auto* custom = child<QToolButton>(pane, "themeCustom");
    QTest::mouseClick(custom, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(f.preferences.has(prefkeys::accentTheme));
    EXPECT_EQ(f.posted[notes::themeAccentChanged], 0);
    EXPECT_TRUE(child<QToolButton>(pane, "themeBrand")->isChecked())
        << "a cancelled dialog leaves the brand tile marked";

    answer = QColor(255, 128, 0);
    QTest::mouseClick(custom, Qt::LeftButton);
    EXPECT_EQ(f.preferences.textValue(prefkeys::accentTheme), "custom:#FF8000")
        << "the colour is stored as chosen; the guard applies when it is read";
    EXPECT_EQ(f.posted[notes::themeAccentChanged], 1);
    EXPECT_TRUE(custom->isChecked());
}

TEST(GeneralPane, launchAtLoginWritesAndRemovesTheAutostartEntry) {
    test::TempDir home;
    test::ScopedEnvironment env{{"XDG_CONFIG_HOME", (home / "config").string()},
                                {"XDG_CONFIG_DIRS", (home / "etc").string()}};
    XdgAutostart autostart("/usr/bin/corvale");
    std::vector<std::string> systemLog;
    PaneFixture f;
    f.context.loginItems = &autostart;
    f.context.systemLog = [&](const std::string& line) { systemLog.push_back(line); };
    auto& pane = f.show();
    auto* launch = child<QCheckBox>(pane, "launchAtLogin");
    const auto entry = home / "config/autostart/corvale.desktop";
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(pane.findChild<QLabel*>("launchAtLoginTemporary"), nullptr);

    QTest::mouseClick(launch, Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(launch->isChecked());
    QTest::mouseClick(launch, Qt::LeftButton);
    EXPECT_EQ(autostart.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(launch->isChecked());

    // A folder that cannot be written: the switch shows the service's state, the log says why.
    std::filesystem::remove_all(home / "config");
    test::writeFile(home / "config", "a file where the folder should be");
    QTest::mouseClick(launch, Qt::LeftButton);
    EXPECT_FALSE(launch->isChecked());
    ASSERT_EQ(systemLog.size(), 1u);
    EXPECT_EQ(systemLog[0].rfind("Corvale launchAtLogin(on) failed: ", 0), 0u) << systemLog[0];
}

TEST(GeneralPane, launchAtLoginSaysWhenTheProgramIsInATemporaryFolder) {
    XdgAutostart autostart("/tmp/corvale-build/bin/corvale", "/nonexistent/autostart", {});
    PaneFixture f;
    f.context.loginItems = &autostart;
    auto* note = child<QLabel>(f.show(), "launchAtLoginTemporary");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains("(/tmp/corvale-build/bin/corvale)"))
        << note->text().toStdString();
}

TEST(GeneralPane, permissionButtonOpensTheDesktopsNotificationSettings) {
    PaneFixture f;
    int opened = 0;
    f.model->onOpenAccessibilitySettings = [&] { ++opened; };
    ConfigPublished values;
    values.isTrusted = false;
    f.model->publish(values);
    auto& pane = f.show();
    EXPECT_EQ(child<QLabel>(pane, "accessStatus")->text(), "Not granted");
    QTest::mouseClick(child<QPushButton>(pane, "openNotificationSettings"), Qt::LeftButton);
    EXPECT_EQ(opened, 1);
}

struct RecordedDesktopShortcuts : DesktopShortcuts {
    std::map<std::string, Shortcut> set_;
    bool isSet(const std::string& name) override { return set_.count(name) > 0; }
    bool set(const Shortcut& shortcut) override {
        set_[shortcut.name] = shortcut;
        return true;
    }
    bool remove(const std::string& name) override { return set_.erase(name) > 0; }
};

TEST(GeneralPane, onWaylandTellsWhatTheDesktopDidAndAddsItsShortcutOnlyWithConsent) {
    PaneFixture f;
    f.prefs.setMuteHotKeyCombo(HotKeyCombo{46, HotKeyModifiers::control | HotKeyModifiers::option});
    GlobalShortcutStatus status;
    status.mechanism = GlobalShortcutMechanism::desktopPortal;
    status.assignedTrigger = "Ctrl+Alt+M";
    RecordedDesktopShortcuts gnome;
    HotKeyNotes::Sources sources;
    sources.status = [&](std::uint32_t) {
        status.combo = f.prefs.muteHotKeyCombo();
        return status;
    };
    sources.desktopShortcuts = &gnome;
    sources.executable = "/opt/my apps/corvale";
    HotKeyNotes notes(sources, f.dialogs, [](const std::string&) {});
    f.context.hotKeyNotes = &notes;
    f.context.flashNeedsXWayland = true;
    auto& pane = f.show();
    auto* recorder = child<HotKeyRecorderView>(pane, "muteHotKey");
    auto* problem = child<QLabel>(*recorder, "problem");
    auto* action = child<QPushButton>(*recorder, "action");
    EXPECT_EQ(problem->text().toStdString(), GeneralTexts::hotKeyAssigned("Ctrl+Alt+M"));
    EXPECT_TRUE(action->isHidden());
    EXPECT_FALSE(child<QPushButton>(pane, "testFlash")->isEnabled());
    EXPECT_FALSE(child<QLabel>(pane, "flashNeedsXWayland")->isHidden());

    // GNOME without the portal: declining writes nothing; agreeing adds the command, quoted.
    status = {};
    status.mechanism = GlobalShortcutMechanism::gnomeCustomShortcut;
    f.model->announceChange();
    ASSERT_FALSE(action->isHidden());
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_TRUE(gnome.set_.empty()) << "no consent, nothing written";
    f.dialogs.alertAnswers = {0};
    QTest::mouseClick(action, Qt::LeftButton);
    ASSERT_EQ(f.dialogs.alerts.size(), 2u);
    ASSERT_EQ(gnome.set_.count("corvale-mute"), 1u);
    EXPECT_EQ(gnome.set_["corvale-mute"].command, "'/opt/my apps/corvale' mute");
    EXPECT_EQ(gnome.set_["corvale-mute"].binding, "<Control><Alt>m");
    EXPECT_EQ(action->text(), GeneralTexts::removeGnomeShortcut);

    // Clearing the keys removes it again.
    QTest::mouseClick(child<QToolButton>(*recorder, "clear"), Qt::LeftButton);
    EXPECT_TRUE(gnome.set_.empty());
}

} // namespace
} // namespace corvale
