#pragma once

#include "app/AppDelegate.h"
#include "app/StatusMenus.h"
#include "core/linux/DbusBroadcast.h"
#include "core/linux/JsonFilePreferences.h"
#include "core/linux/QtScheduler.h"
#include "core/linux/SessionBusName.h"
#include "detect/linux/DbusBannerTree.h"
#include "detect/linux/NotifyCallTap.h"
#include "library/linux/FfmpegMediaTools.h"
#include "library/linux/WorkerThreadTasks.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgWorkspace.h"
#include "signals/CachingAudioDecoder.h"
#include "signals/ScreenFlash.h"
#include "signals/linux/CanberraSoundPlayer.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "silence/PortalHotKeys.h"
#include "silence/linux/DbusGlobalShortcutsPortal.h"
#include "silence/linux/DesktopDoNotDisturb.h"
#include "silence/linux/GnomeCustomShortcuts.h"
#include "silence/linux/X11Keyboard.h"
#include "store/linux/FileChangeWatcher.h"
#include "ui/flash/QtOverlayHost.h"
#include "ui/menubar/views/TrayPopups.h"
#include "ui/settings/HotKeyNotes.h"
#include "ui/settings/views/QtDialogs.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsWindow.h"
#include "ui/settings/views/SoundChoosers.h"
#include "ui/tray/TrayStatusButton.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace corvale {

// Where a desktop session keeps and finds its files.
struct SessionFolders {
    std::filesystem::path support; // the data files
    std::filesystem::path config;  // the preferences
    std::vector<std::filesystem::path> builtinSounds;
    std::filesystem::path executable; // what launch at login runs
};

// Corvale in a desktop session: every adapter and view, owned here in the order they are made and
// torn down in the reverse order, so nothing outlives what it calls. Creating it runs the start-up
// and connects the config model's hooks; the Qt application must exist first.
class DesktopSession {
public:
    explicit DesktopSession(const SessionFolders& folders);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    AppDelegate& delegate() { return delegate_; }
    StatusMenus& menus() { return views_->menus; }
    // SIGHUP: the rules file is read again at once.
    void reloadRules() { delegate_.reloadRules(); }

private:
    // The Linux services: the monitor first, so the start-up's first line reports real trust.
    struct Platform {
        explicit Platform(const SessionFolders& folders);
        DbusBannerTree bannerTree;
        // Asks for each alert's sound on a thread of its own. Made after the banner tree's
        // monitor: made first, so that the bus served it first, it measured slower in runs side
        // by side (its ratio to a bare monitor 1.85-1.94 against 1.51-1.60).
        NotifyCallTap notifyTap;
        QtScheduler scheduler;
        NotificationCenter center;
        DbusBroadcast broadcast;
        JsonFilePreferences preferences;
        FfmpegAudioDecoder decoder;
        CachingAudioDecoder alertSounds;
        PulseAudioEngine audioEngine;
        CanberraSoundPlayer namedSounds;
        X11Keyboard keyboard;
        XdgWorkspace workspace;
        // On Wayland no key grab could work: the desktop portal holds the shortcuts, or nothing
        // does.
        bool gnome = false;
        std::unique_ptr<DbusGlobalShortcutsPortal> shortcutsPortal;
        std::unique_ptr<PortalHotKeys> portalHotKeys;
        std::function<void()> shortcutsChanged;

        HotKeyService& hotKeys();
        GlobalShortcutStatus shortcutStatus(std::uint32_t hotKeyID, AppDelegate& delegate);
    };
    // What the start-up draws on: the screen flash's windows and the tray icon.
    struct Surfaces {
        Surfaces(Platform& platform, AppDelegate& delegate);
        QtOverlayHost overlayHost;
        ScreenFlash screenFlash;
        std::unique_ptr<TrayStatusButton> trayButton;
    };
    // The views and the ways in from outside, made once the start-up has made the model.
    struct Views {
        Views(const SessionFolders& folders, Platform& platform, AppDelegate& delegate,
              Surfaces& surfaces);
        StatusMenus menus;
        // Made on first use, then hidden and shown again.
        std::unique_ptr<SettingsWindowController> settingsWindow;
        QtDialogs dialogs;
        GnomeCustomShortcuts gnomeShortcuts;
        HotKeyNotes hotKeyNotes;
        XdgAutostart autostart;
        settings::SettingsContext settingsContext;
        // What the background work reads files with. Work still running at quit is not waited
        // for; it keeps these alive itself until it ends.
        struct MediaReaders {
            FfmpegMediaTools tools;
            FfmpegAudioDecoder decoder;
        };
        std::shared_ptr<MediaReaders> mediaReaders = std::make_shared<MediaReaders>();
        WorkerThreadTasks mediaTasks{mediaReaders};
        SoundChoosers soundChoosers;
        TrayPopups popups;
        // Owned only now that the observers are in place: a command that finds the name is heard.
        SessionBusName busName;
        FileChangeWatcher rulesWatcher;
        DesktopDoNotDisturb doNotDisturb;
    };

    // Every hook of the config model, set at once.
    void connectModelHooks();
    void openSettings(const std::optional<PaneID>& pane);

    Platform platform_;
    AppDelegate delegate_;
    Surfaces surfaces_;
    std::unique_ptr<Views> views_;
};

} // namespace corvale
