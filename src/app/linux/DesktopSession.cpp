#include "app/linux/DesktopSession.h"

#include "app/linux/CommandClient.h"
#include "app/linux/RulesClient.h"
#include "app/linux/TrayClicks.h"
#include "core/Text.h"
#include "core/linux/SystemLog.h"
#include "platform/AppActivator.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "silence/GlobalShortcutMechanism.h"
#include "silence/linux/X11VirtualKey.h"
#include "ui/menubar/views/DesktopSettings.h"
#include "ui/settings/GeneralTexts.h"
#include "ui/settings/views/AddAppChooser.h"
#include "ui/settings/views/SettingsPaneFactories.h"

#include <QGuiApplication>

namespace corvale {

namespace {

std::vector<std::string> folderNames(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::string> names;
    for (const auto& folder : folders) {
        names.push_back(folder.string());
    }
    return names;
}

SessionBusName::Methods busMethods(AppDelegate& delegate) {
    auto methods = programMethods(
        [&delegate](const std::optional<PaneID>& pane) { delegate.openSettings(pane); },
        [&delegate] { delegate.openDashboard(); },
        [&delegate](const std::string& app) {
            const auto key = nameKey(app);
            const auto* model = delegate.configModel();
            const auto rows = model ? model->appRows() : std::vector<std::string>{};
            return std::any_of(rows.begin(), rows.end(),
                               [&](const std::string& row) { return nameKey(row) == key; });
        });
    methods.merge(rulesMethods([&delegate] { return delegate.configModel(); }));
    return methods;
}

} // namespace

DesktopSession::Platform::Platform(const SessionFolders& folders)
    : bannerTree(logLine), broadcast(logLine),
      preferences(JsonFilePreferences::defaultFile(folders.config), logLine, userNotice),
      alertSounds(decoder), audioEngine(alertSounds),
      namedSounds(folderNames(folders.builtinSounds)) {
    gnome = DesktopDoNotDisturb::desktopIsGnome(std::getenv("XDG_CURRENT_DESKTOP"));
    if (isWaylandSession(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"))) {
        shortcutsPortal = std::make_unique<DbusGlobalShortcutsPortal>();
        portalHotKeys = std::make_unique<PortalHotKeys>(
            *shortcutsPortal, scheduler,
            std::map<std::uint32_t, PortalHotKeys::Name>{
                {HotKeyRegistrar::muteHotKeyID, {"mute-all", GeneralTexts::muteShortcutTitle}},
                {HotKeyRegistrar::snoozeHotKeyID, {"snooze", GeneralTexts::snoozeShortcutTitle}}},
            gnome, logLine, [this] {
                if (shortcutsChanged) {
                    shortcutsChanged();
                }
            });
    }
    // The X session is over: end as on SIGTERM rather than live on without a desktop.
    keyboard.onDisplayLost([] {
        logLine("[x11] the display went away - quitting");
        QCoreApplication::quit();
    });
}

HotKeyService& DesktopSession::Platform::hotKeys() {
    return portalHotKeys ? static_cast<HotKeyService&>(*portalHotKeys) : keyboard;
}

GlobalShortcutStatus DesktopSession::Platform::shortcutStatus(std::uint32_t hotKeyID,
                                                              AppDelegate& delegate) {
    GlobalShortcutStatus status;
    status.combo = hotKeyID == HotKeyRegistrar::muteHotKeyID ? delegate.prefs().muteHotKeyCombo()
                                                             : delegate.prefs().snoozeHotKeyCombo();
    status.registered = delegate.hotKeyRegistered(hotKeyID);
    if (portalHotKeys) {
        status.mechanism = portalHotKeys->currentMechanism();
        status.assignedTrigger = portalHotKeys->assignedTrigger(hotKeyID);
        status.setInDesktopSettings = portalHotKeys->setInDesktopSettings();
    }
    return status;
}

DesktopSession::Surfaces::Surfaces(Platform& platform, AppDelegate& delegate)
    : overlayHost(logLine), screenFlash(platform.scheduler, overlayHost,
                                        [&delegate] { return delegate.flashDefaults(); }) {
    delegate.setScreenFlash(&screenFlash);
    delegate.createStatusButton = [this]() -> StatusButton* {
        trayButton = std::make_unique<TrayStatusButton>(logLine);
        return trayButton.get();
    };
}

DesktopSession::Views::Views(const SessionFolders& folders, Platform& platform,
                             AppDelegate& delegate, Surfaces& surfaces)
    : menus(delegate, platform.preferences), dialogs([this]() -> QWidget* {
          return settingsWindow && settingsWindow->isVisible() ? settingsWindow.get() : nullptr;
      }),
      gnomeShortcuts(logLine),
      hotKeyNotes({[&platform, &delegate](std::uint32_t id) {
                       return platform.shortcutStatus(id, delegate);
                   },
                   desktopShortcutSettingsOpener(), platform.gnome ? &gnomeShortcuts : nullptr,
                   folders.executable.string()},
                  dialogs, logLine),
      autostart(folders.executable), settingsContext{*delegate.configModel(),
                                                     delegate.prefs(),
                                                     platform.center,
                                                     dialogs,
                                                     platform.workspace,
                                                     {},
                                                     {}},
      soundChoosers({*delegate.configModel(), dialogs, mediaReaders->decoder, mediaReaders->tools,
                     mediaTasks, platform.audioEngine, platform.scheduler},
                    CustomSoundStore::soundsFolder(folders.support), logLine),
      popups(*delegate.configModel(), dialogs,
             {menus.initialLens(), [this](PopoverLens lens) { menus.chooseLens(lens); },
              [&delegate] { return delegate.prefs().accentTheme(); },
              [this] { return menus.initialLens(); }},
             {[this] { return menus.snoozeMinutes(); },
              [&delegate] { return delegate.prefs().accentTheme(); }},
             [&surfaces] {
                 return surfaces.trayButton ? surfaces.trayButton->trayIcon().geometry() : QRect();
             }),
      busName(platform.broadcast.connection(), busMethods(delegate), logLine),
      // Hand edits of the rules apply without a restart.
      rulesWatcher(
          delegate.ruleStore().fileURL(), [&delegate] { delegate.rulesFileChanged(); }, logLine),
      doNotDisturb(
          [&delegate](bool on, bool initial) {
              delegate.silence().desktopDoNotDisturbChanged(on, initial);
          },
          logLine) {
    settingsContext.loginItems = &autostart;
    settingsContext.systemLog = [](const std::string& line) {
        systemLog("com.talvo.corvale", "login-item", line);
    };
    settingsContext.keyboardLayout = &platform.keyboard;
    settingsContext.virtualKeyCode = [&platform](std::uint8_t code) {
        return platform.keyboard.virtualKeyCode(code);
    };
    settingsContext.keysymVirtualKeyCode = &X11VirtualKey::virtualKeyCodeForKeysym;
    settingsContext.systemFacts = [] { return linuxSystemFacts(); };
    settingsContext.hotKeyNotes = &hotKeyNotes;
    settingsContext.flashNeedsXWayland = QGuiApplication::platformName() == "wayland";
    soundChoosers.sheetHost = [this]() -> QWidget* { return settingsWindow.get(); };
}

DesktopSession::DesktopSession(const SessionFolders& folders)
    : platform_(folders),
      delegate_({platform_.scheduler, platform_.preferences, platform_.center, platform_.broadcast,
                 platform_.bannerTree, platform_.decoder, platform_.audioEngine,
                 platform_.namedSounds, platform_.hotKeys(), focusSystemLog, userNotice},
                {folders.support, folders.builtinSounds}),
      surfaces_(platform_, delegate_) {
    platform_.shortcutsChanged = [this] {
        if (auto* model = delegate_.configModel()) {
            model->announceChange();
        }
    };
    delegate_.applicationDidFinishLaunching();
    views_ = std::make_unique<Views>(folders, platform_, delegate_, surfaces_);
    views_->menus.setupStatusItem();
    connectModelHooks();
    views_->menus.attachHost(&views_->popups);
    if (surfaces_.trayButton) {
        connectTrayClicks(surfaces_.trayButton->trayIcon(), views_->menus);
    }
    platform_.broadcast.flush();
    platform_.bannerTree.setHoldBack(
        [&delegate = delegate_](const std::string& identifier, std::function<void()> resume) {
            return delegate.holdForHeadStart(identifier, std::move(resume));
        });
    platform_.notifyTap.setSeen(
        [&headStart = delegate_.headStart()](const ObservedNotification& n) { headStart.seen(n); });
}

DesktopSession::~DesktopSession() {
    platform_.notifyTap.stop();
    platform_.bannerTree.setHoldBack(nullptr);
    delegate_.status().setButton(nullptr);
    // The audio threads stop and their undelivered results go before the objects they would
    // reach.
    platform_.audioEngine.shutdown();
    platform_.namedSounds.shutdown();
}

void DesktopSession::openSettings(const std::optional<PaneID>& pane) {
    auto& views = *views_;
    if (!views.settingsWindow) {
        views.settingsWindow = std::make_unique<SettingsWindowController>(views.settingsContext,
                                                                          settingsPaneFactories());
    }
    views.settingsWindow->open(pane);
}

void DesktopSession::connectModelHooks() {
    auto& views = *views_;
    ConfigHooks hooks = delegate_.modelHooks();
    if (auto openSettings = desktopNotificationSettingsOpener()) {
        hooks.onOpenNotifSettings = openSettings;
        hooks.onOpenAccessibilitySettings = openSettings;
    }
    hooks.onAddApp = [this] {
        return settings::presentAddApp(*delegate_.configModel(), platform_.workspace);
    };
    hooks.onChooseFile = [&views](const ConfigModel::App& app) {
        views.soundChoosers.presentChooseSound(app);
    };
    hooks.onClipFromSong = [&views](const ConfigModel::App& app) {
        views.soundChoosers.presentClipEditor(app);
    };
    hooks.onQuit = [&views] { views.menus.quit(); };
    hooks.onClearRecentAlerts = [&views] { views.menus.clearRecentAlerts(); };
    hooks.onOpenSettings = [this, &views](const std::optional<PaneID>& pane) {
        views.menus.openSettings(pane, [this](const auto& p) { openSettings(p); });
    };
    hooks.onOpenApp = [this, &views](const std::string& app) {
        views.menus.openApp(
            app,
            [this](const std::string& name) {
                return AppActivator(platform_.workspace).activate(name);
            },
            logLine);
    };
    delegate_.configModel()->setHooks(std::move(hooks));
}

} // namespace corvale
