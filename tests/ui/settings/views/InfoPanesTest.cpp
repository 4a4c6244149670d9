#include "core/BuildStamp.h"
#include "ui/menubar/views/ConfigView.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/views/AboutPane.h"
#include "ui/settings/views/AppEditorPane.h"
#include "ui/settings/views/DetectionPane.h"
#include "ui/settings/views/FixDoubleSoundPane.h"
#include "ui/settings/views/HelpPane.h"
#include "ui/settings/views/RecentAlertsPane.h"
#include "ui/settings/views/SoundLibraryPane.h"
#include "ui/settings/views/StarterPresetsPane.h"

#include "ui/menubar/MenuTexts.h"
#include "ui/settings/views/SettingsFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace corvale {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A pane shown over the settings fixture, and the data files read back as the next start would.
struct PaneFixture : test::SettingsFixture {
    template <typename Pane> std::unique_ptr<Pane> open() {
        auto pane = std::make_unique<Pane>(context);
        pane->resize(626, 560);
        pane->show();
        return pane;
    }

    std::vector<PingRecord> pingsOnDisk() {
        PingLogStore disk(dir / "pingHistory.json", nullptr);
        disk.load();
        return disk.records();
    }
    std::vector<CustomSound> soundsOnDisk() {
        CustomSoundStore disk(dir / "customSounds.json", nullptr);
        disk.load();
        return disk.sounds();
    }
};

template <typename T> T* find(QWidget& pane, const QString& name) {
    return pane.findChild<T*>(name);
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
}

QString rowTitle(QWidget* row) {
    auto* title = row ? row->findChild<QLabel*>("rowTitle") : nullptr;
    return title ? title->text() : QString();
}

TEST(RecentAlertsPane, clearHistoryEmptiesTheLogOnlyOnClear) {
    struct Case {
        const char* what;
        std::optional<std::size_t> answer;
        size_t left;
    } cases[] = {{"dialog dismissed", std::nullopt, 2}, {"Cancel", 1, 2}, {"Clear", 0, 0}};
    for (const auto& c : cases) {
        PaneFixture f;
        auto now = Clock::now();
        f.pings.record("Mail", now - 10min, std::nullopt);
        f.pings.record("Slack", now - 1min, std::string("Deploy finished"));
        int refreshes = 0;
        auto watch = f.center.observe(notes::statusItemNeedsRefresh, [&] { ++refreshes; });
        auto pane = f.open<settings::RecentAlertsPane>();

        auto rows = pane->findChildren<QWidget*>("alertRow");
        ASSERT_EQ(rows.size(), 2) << c.what;
        EXPECT_EQ(rowTitle(rows[0]), "Slack") << "newest first";
        EXPECT_EQ(rows[0]->findChild<QLabel*>("rowNote")->text(), "Deploy finished");
        EXPECT_EQ(rows[1]->findChild<QLabel*>("rowNote"), nullptr) << "no snippet recorded";

        f.dialogs.alertAnswers = {c.answer};
        click(find<QPushButton>(*pane, "clearHistory"));
        ASSERT_EQ(f.dialogs.alerts.size(), 1u) << c.what;
        EXPECT_EQ(f.dialogs.alerts[0].message, MenuTexts::clearAllTitle);
        EXPECT_EQ(f.dialogs.alerts[0].text, MenuTexts::clearAllText);
        EXPECT_EQ(f.dialogs.alerts[0].buttons, (std::vector<std::string>{"Clear", "Cancel"}));
        EXPECT_EQ(f.pingsOnDisk().size(), c.left) << c.what;
        EXPECT_EQ(refreshes, c.left == 0 ? 1 : 0) << c.what << ": the tray badge follows";
        if (c.left == 2) {
            // An alert arriving while the pane is open shows without switching panes.
            f.pings.record("Chat", now, std::nullopt);
            f.model->announceChange();
            QTRY_COMPARE_WITH_TIMEOUT(pane->findChildren<QWidget*>("alertRow").size(), 3, 2000);
            f.pings.forget("Chat");
        }
        if (c.left == 0) {
            QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(*pane, "historyEmpty") != nullptr, 2000);
            EXPECT_FALSE(find<QPushButton>(*pane, "clearHistory")->isEnabled());
            click(find<QPushButton>(*pane, "clearHistory"));
            EXPECT_EQ(f.dialogs.alerts.size(), 1u) << "nothing to clear, nothing asked";
        }
    }
}

// How many labels of `root` show `markup`; each must show it as written, never as rich text,
// and no tooltip may carry it as markup.
int labelsShowingLiterally(QWidget& root, const QString& markup) {
    int shown = 0;
    for (auto* widget : root.findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        // A name cut to fit its row still holds the whole name as written.
        auto* name = dynamic_cast<form::NameLabel*>(widget);
        if (label && (name ? name->whole() : label->text()).contains(markup)) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            ++shown;
        }
        EXPECT_FALSE(widget->toolTip().contains(markup)) << widget->toolTip().toStdString();
    }
    return shown;
}

// Names and texts come from notifications: markup in them shows as typed (an <img> of /dev/zero
// rendered would read forever), in the history, the dashboard and the app's editor alike.
TEST(RecentAlertsPane, markupInNamesAndTextsShowsAsWritten) {
    const std::string image = "<img src=\"file:///dev/zero\"/>Zed";
    const std::string bold = "<b>x</b>";
    PaneFixture f;
    f.pings.record(image, Clock::now() - 1min, bold);
    f.pings.record(bold, Clock::now(), image);
    f.model->addApp(image);
    f.model->onOpenApp = [](const std::string&) {};

    auto history = f.open<settings::RecentAlertsPane>();
    EXPECT_EQ(labelsShowingLiterally(*history, QString::fromStdString(image)), 2);
    EXPECT_EQ(labelsShowingLiterally(*history, QString::fromStdString(bold)), 2);
    settings::AppEditorPane editor(f.context, image);
    editor.show();
    EXPECT_GE(labelsShowingLiterally(editor, QString::fromStdString(image)), 2)
        << "the heading and the notes";
    ConfigView dashboard(*f.model, {PopoverLens::alerts, {}});
    dashboard.show();
    EXPECT_GE(labelsShowingLiterally(dashboard, QString::fromStdString(bold)), 1);
    EXPECT_GE(labelsShowingLiterally(dashboard, QString::fromStdString(image)), 1);
}

TEST(RecentAlertsPane, previewSwitchWritesThePreference) {
    PaneFixture f;
    auto pane = f.open<settings::RecentAlertsPane>();
    ASSERT_NE(find<QLabel>(*pane, "historyEmpty"), nullptr);
    auto* preview = find<QCheckBox>(*pane, "includePreview");
    ASSERT_NE(preview, nullptr);
    EXPECT_FALSE(preview->isChecked()) << "off by default";
    click(preview);
    EXPECT_EQ(f.preferences.boolValue(prefkeys::pingHistoryIncludePreview), true);
    pane->rebuild();
    preview = find<QCheckBox>(*pane, "includePreview");
    EXPECT_TRUE(preview->isChecked());
    click(preview);
    EXPECT_EQ(f.preferences.boolValue(prefkeys::pingHistoryIncludePreview), false);
}

TEST(SoundLibraryPane, renameAndDeleteGoThroughTheirDialogsToTheLibraryFile) {
    PaneFixture f;
    const fs::path bellFile = f.dir / "Sounds" / "bell.m4a";
    const fs::path chimeFile = f.dir / "Sounds" / "chime.ogg";
    test::writeFile(bellFile, "bell");
    test::writeFile(chimeFile, "chime");
    f.model->addCustomSound("Bell", FileUrl::fromPath(bellFile.string()));
    f.model->addCustomSound("Chime", FileUrl::fromPath(chimeFile.string()));
    f.model->setSound(SoundRef::file(FileUrl::fromPath(bellFile.string())), std::string("Mail"));
    f.model->setSound(SoundRef::file(FileUrl::fromPath(bellFile.string())), std::string("Slack"));
    const auto bell = f.sounds.sounds()[0];
    const auto chime = f.sounds.sounds()[1];
    auto pane = f.open<settings::SoundLibraryPane>();
    auto button = [&](const char* action, const CustomSound& sound) {
        return find<QPushButton>(*pane,
                                 QString(action) + ":" + QString::fromStdString(sound.id.str()));
    };

    click(button("preview", bell));
    ASSERT_EQ(f.played.size(), 1u);
    EXPECT_EQ(f.played[0].sound, SoundRef::file(bell.fileURL));

    f.dialogs.promptAnswers = {std::nullopt, std::string("  Doorbell ")};
    click(button("rename", bell));
    EXPECT_EQ(f.soundsOnDisk()[0].name, "Bell") << "a cancelled rename changes nothing";
    click(button("rename", bell));
    ASSERT_EQ(f.dialogs.prompts.size(), 2u);
    EXPECT_EQ(f.dialogs.prompts[1].initialValue, "Bell");
    EXPECT_EQ(f.dialogs.prompts[1].acceptButton, "Rename");
    EXPECT_EQ(f.soundsOnDisk()[0].name, "Doorbell");
    QTRY_COMPARE_WITH_TIMEOUT(
        rowTitle(find<QWidget>(*pane, "sound:" + QString::fromStdString(bell.id.str()))),
        QString("Doorbell"), 2000);

    // Used by two apps: the file stays on disk for them.
    f.dialogs.alertAnswers = {1, 0};
    click(button("delete", bell));
    EXPECT_EQ(f.soundsOnDisk().size(), 2u) << "Cancel keeps the sound";
    EXPECT_NE(f.dialogs.alerts.back().text.find("Mail, Slack still use this sound"),
              std::string::npos)
        << f.dialogs.alerts.back().text;
    click(button("delete", bell));
    EXPECT_EQ(f.soundsOnDisk(), std::vector<CustomSound>{chime});
    EXPECT_TRUE(fs::exists(bellFile)) << "rules still play it";

    // Used by nobody: the file goes too, and the pane shows its empty state.
    QTRY_VERIFY_WITH_TIMEOUT(button("delete", bell) == nullptr, 2000);
    f.dialogs.alertAnswers = {0};
    click(button("delete", chime));
    EXPECT_TRUE(f.soundsOnDisk().empty());
    EXPECT_FALSE(fs::exists(chimeFile));
    QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(*pane, "soundsEmpty") != nullptr, 2000);
}

TEST(SoundLibraryPane, soundsAddedElsewhereAppearWhileOpen) {
    PaneFixture f;
    auto pane = f.open<settings::SoundLibraryPane>();
    ASSERT_NE(find<QLabel>(*pane, "soundsEmpty"), nullptr);
    f.model->addCustomSound("Clip", FileUrl::fromPath((f.dir / "Sounds" / "clip.m4a").string()));
    QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(*pane, "soundsEmpty") == nullptr, 2000);
    EXPECT_EQ(pane->findChildren<QPushButton*>().size(), 3) << "Preview, Rename, Delete";

    // Deleting an entry for the user's own file keeps the file, and the pane says so.
    const fs::path own = f.dir / "Music" / "own.mp3";
    test::writeFile(own, "mine");
    f.model->addCustomSound("Own", FileUrl::fromPath(own.string()));
    f.dialogs.alertAnswers = {0};
    QTRY_VERIFY_WITH_TIMEOUT(pane->findChildren<QPushButton*>().size() == 6, 2000);
    click(find<QPushButton>(*pane,
                            "delete:" + QString::fromStdString(f.sounds.sounds()[1].id.str())));
    EXPECT_TRUE(fs::exists(own));
    QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(*pane, "libraryNote") != nullptr, 2000);
    EXPECT_EQ(find<QLabel>(*pane, "libraryNote")->text().toStdString(), f.model->libraryNote());
}

TEST(StarterPresetsPane, addWritesTheRuleAndTheRowShowsAdded) {
    PaneFixture f;
    // An existing rule of that app counts as applied, whatever its case or state.
    Rule discord = MenuModel::newRuleTemplate("discord");
    discord.enabled = false;
    f.rules.upsert(discord);
    auto pane = f.open<settings::StarterPresetsPane>();
    EXPECT_NE(find<QLabel>(*pane, "presetAdded:Discord"), nullptr);
    EXPECT_EQ(find<QPushButton>(*pane, "addPreset:Discord"), nullptr);

    click(find<QPushButton>(*pane, "previewPreset:Slack"));
    ASSERT_EQ(f.played.size(), 1u);
    EXPECT_EQ(f.played[0].sound, SoundRef::builtin("Ping"));
    EXPECT_EQ(f.rulesOnDisk().size(), 2u) << "a preview stores nothing";

    click(find<QPushButton>(*pane, "addPreset:Slack"));
    auto onDisk = f.rulesOnDisk();
    auto slack = MenuModel::baseRule("Slack", onDisk);
    ASSERT_TRUE(slack.has_value());
    EXPECT_EQ(slack->sound, SoundRef::builtin("Ping"));
    EXPECT_EQ(slack->flashColor, FlashColor::fromHex("#8E24AA"));
    EXPECT_EQ(f.presetsApplied, 1) << "the sidebar gains the app";
    QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(*pane, "presetAdded:Slack") != nullptr, 2000);
    EXPECT_EQ(find<QLabel>(*pane, "presetAdded:Slack")->text(), "\u2713 Added");
    EXPECT_EQ(find<QPushButton>(*pane, "addPreset:Slack"), nullptr);
    EXPECT_NE(find<QPushButton>(*pane, "addPreset:Signal"), nullptr);
    EXPECT_FALSE(MenuModel::rule("Discord", onDisk)->enabled) << "an existing rule is kept as is";
}

// The setup panes list the apps their finding names, each opening that app's editor, and the
// list follows the rules and the apps seen.
TEST(SetupPanes, listsFollowTheRulesAndOpenTheAppsEditor) {
    struct Case {
        const char* what;
        std::function<std::unique_ptr<settings::FormPane>(PaneFixture&)> open;
        const char* list;
        std::function<void(PaneFixture&)> fixSlack;
    } cases[] = {
        {"double play", [](PaneFixture& f) { return f.open<settings::FixDoubleSoundPane>(); },
         "doublePlay", [](PaneFixture& f) { f.model->setNativeMuted(true, std::string("Slack")); }},
        {"detection", [](PaneFixture& f) { return f.open<settings::DetectionPane>(); },
         "undetected", [](PaneFixture& f) { f.observed.observe("slack"); }},
    };
    for (const auto& c : cases) {
        PaneFixture f;
        f.model->addApp("Slack");
        f.model->addApp("Calendar");
        f.model->setSound(SoundRef::silent(), std::string("Calendar"));
        {
            auto toolless = c.open(f);
            EXPECT_FALSE(find<QPushButton>(*toolless, "openNotificationSettings")->isEnabled())
                << c.what << ": no settings tool on this desktop";
        }
        std::vector<PaneID> opened;
        f.model->onOpenSettings = [&](const std::optional<PaneID>& pane) {
            opened.push_back(*pane);
        };
        int notificationSettings = 0;
        f.model->onOpenNotifSettings = [&] { ++notificationSettings; };
        auto pane = c.open(f);
        const QString prefix = QString(c.list) + ":";

        EXPECT_NE(find<QWidget>(*pane, prefix + "Slack"), nullptr) << c.what;
        EXPECT_EQ(find<QWidget>(*pane, prefix + "Calendar"), nullptr)
            << c.what << ": a silent app neither sounds twice nor needs detecting";
        click(find<QPushButton>(*pane, "open:Slack"));
        EXPECT_EQ(opened, std::vector<PaneID>{PaneID::app("Slack")}) << c.what;
        click(find<QPushButton>(*pane, "openNotificationSettings"));
        EXPECT_EQ(notificationSettings, 1) << c.what;

        c.fixSlack(f);
        pane->hide();
        pane->show();
        EXPECT_EQ(find<QWidget>(*pane, prefix + "Slack"), nullptr) << c.what;
        EXPECT_NE(find<QLabel>(*pane, prefix + "empty"), nullptr) << c.what;
    }

    // Apps seen asking for no sound of ours are pointed at the switch until their rule has it.
    PaneFixture f;
    f.model->addApp("Slack");
    ConfigPublished seen = f.model->published();
    seen.suppressingApps = {"Slack"};
    f.model->publish(seen);
    auto pane = f.open<settings::FixDoubleSoundPane>();
    ASSERT_NE(find<QLabel>(*pane, "ownSound:Slack"), nullptr);
    EXPECT_TRUE(find<QLabel>(*pane, "ownSound:Slack")->text().contains("plays its own sound"));
    f.model->setRespectSuppressSound(true, std::string("Slack"));
    pane->hide();
    pane->show();
    EXPECT_EQ(find<QLabel>(*pane, "ownSound:Slack"), nullptr);
}

TEST(AboutPane, updatesLinksAndSupportMail) {
    PaneFixture f;
    int checks = 0;
    auto watch = f.center.observe(notes::checkForUpdates, [&] { ++checks; });
    EXPECT_EQ(find<QPushButton>(*f.open<settings::AboutPane>(), "checkForUpdates"), nullptr)
        << "no updater, no button that would do nothing";
    f.model->onCheckForUpdates = [] {};
    auto pane = f.open<settings::AboutPane>();
    if (*BuildStamp::channel == '\0') {
        EXPECT_TRUE(find<QLabel>(*pane, "versionLine")->text().endsWith(" \u00B7 Dev"));
    }

    click(find<QPushButton>(*pane, "checkForUpdates"));
    EXPECT_EQ(checks, 1);

    click(find<QPushButton>(*pane, "website"));
    click(find<QPushButton>(*pane, "privacyPolicy"));
    EXPECT_EQ(f.workspace.urls,
              (std::vector<std::string>{SupportContact::websiteURL, SupportContact::privacyURL}));

    click(find<QPushButton>(*pane, "reportBug"));
    ASSERT_EQ(f.workspace.urls.size(), 3u);
    EXPECT_TRUE(f.workspace.urls[2].starts_with("mailto:support@corvale.app?cc="));
    EXPECT_NE(f.workspace.urls[2].find("bug%20report"), std::string::npos);
    EXPECT_TRUE(f.dialogs.alerts.empty()) << "the mail program opened";

    // No mail program: the address goes to the clipboard and the user is told.
    f.workspace.urlsOpen = false;
    QGuiApplication::clipboard()->setText("something else");
    click(find<QPushButton>(*pane, "emailSupport"));
    ASSERT_EQ(f.dialogs.alerts.size(), 1u);
    EXPECT_EQ(f.dialogs.alerts[0].message, "Couldn't Open Your Email App");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), SupportContact::supportAddress);
}

TEST(HelpPane, oneCardPerTopicEachWithItsGlyphWarningOnlyWithoutAccess) {
    PaneFixture f;
    auto pane = f.open<settings::HelpPane>();
    for (const auto& topic : HelpCatalog::topics()) {
        auto* card = find<QWidget>(*pane, "helpCard:" + QString::fromStdString(topic.id));
        ASSERT_NE(card, nullptr) << topic.id;
        EXPECT_EQ(card->findChild<QLabel*>("caveat"), nullptr) << topic.id << ": access granted";
        EXPECT_FALSE(settings::helpGlyph(QString::fromStdString(topic.symbol), 24).isNull())
            << topic.symbol << " has no glyph";
    }

    ConfigPublished denied = f.model->published();
    denied.isTrusted = false;
    f.model->publish(denied);
    pane->hide();
    pane->show();
    QTRY_VERIFY_WITH_TIMEOUT(pane->findChild<QLabel*>("caveat") != nullptr, 2000);
    EXPECT_TRUE(pane->findChild<QLabel*>("caveat")->text().contains("Restore Notification Access"));
}

} // namespace
} // namespace corvale
