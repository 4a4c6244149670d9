#pragma once

#include "app/AlertDispatch.h"
#include "app/AlertHeadStart.h"
#include "app/SilenceControl.h"
#include "core/Broadcast.h"
#include "core/Callback.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/ObservedNotification.h"
#include "core/PaneID.h"
#include "core/RuleEngine.h"
#include "core/Scheduler.h"
#include "core/SettingsPrefs.h"
#include "detect/BannerTree.h"
#include "detect/NotificationObserver.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "signals/ActionRunner.h"
#include "signals/AudioDecoder.h"
#include "signals/ScreenFlash.h"
#include "signals/StatusItemController.h"
#include "silence/HotKeyRegistrar.h"
#include "store/RuleStore.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/PanelCorner.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvale {

// Where the dashboard went up when it was asked for from outside.
enum class DashboardPlace {
    // Nowhere: the program shows no dashboard (no desktop, or not set up yet).
    none,
    besideTray,
    // An ordinary window, on a desktop without a system tray.
    window
};

struct DashboardOpening {
    DashboardPlace place = DashboardPlace::none;
    // Beside the tray: at its icon, or at a corner of the screen when the tray gives no position.
    TrayAnchor anchor = TrayAnchor::icon;
};

// The services of the platform that the application object works through.
struct AppServices {
    Scheduler& scheduler;
    Preferences& preferences;
    NotificationCenter& center;
    Broadcast& broadcast;
    BannerTree& bannerTree;
    AudioDecoder& audioDecoder;
    AudioEngine& audioEngine;
    NamedSoundPlayer& namedSounds;
    HotKeyService& hotKeys;
    // The system log (the journal), where the Focus filter records its runs.
    LogFn systemLog;
    // What the user must see without the debug log: a data file moved aside.
    LogFn notice;
};

// Where the application object finds its files.
struct AppFolders {
    std::filesystem::path support;                    // the data files
    std::vector<std::filesystem::path> builtinSounds; // searched in order for built-in sound names
};

// The single application object: owns the stores and services for the life of the process and
// runs the start-up sequence. Each detected notification goes to the alert dispatch; mute, snooze
// and Focus are the silence control's.
class AppDelegate {
public:
    // Creates and loads the stores in the order rules, custom sounds, observed apps, ping log.
    AppDelegate(AppServices services, AppFolders folders, LogFn log = logLine);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void handle(const ObservedNotification& notification) { dispatch_.handle(notification); }
    // The notification server refused the banner behind an alert: the alert is taken back.
    void withdrawAlert(const std::string& uuid) { dispatch_.withdrawAlert(uuid); }

    RuleEngine& engine() { return dispatch_.engine(); }
    // The bus thread's share of each alert: its sound, asked for as soon as the call is read.
    AlertHeadStart& headStart() { return headStart_; }
    // Whether the notification's reading waits for the sound started ahead for it: the audio
    // server sets the stream up meanwhile without the main thread competing for the processor.
    // `resume` runs once, when the engine answers or after headStartWait at the latest.
    bool holdForHeadStart(const std::string& identifier, std::function<void()> resume);
    static constexpr Millis headStartWait{30};
    SettingsPrefs& prefs() { return prefs_; }
    SilenceControl& silence() { return silence_; }
    // The built-in sound names, listed once per run.
    const std::vector<std::string>& soundNames();

    // Signals of an alert.
    void updateStatus();
    void flashMenuBarIcon(std::optional<FlashColor> color);
    void flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                            const std::string& appName, std::optional<FlashIntensity> intensity,
                            std::optional<FlashDuration> duration, std::optional<int> repeatCount);
    // Makes the status item's button when the start-up reaches it (none where the program shows
    // no status item); the button lives as long as the application object.
    std::function<StatusButton*()> createStatusButton;

    // The screen flash, once the program has overlay windows to show it in.
    void setScreenFlash(ScreenFlash* flash) { dispatch_.setScreenFlash(flash); }
    // The global intensity, duration and repeat that a rule's absent flash values fall back to.
    FlashDefaults flashDefaults() const;

    // Whether the shortcut of that identifier (HotKeyRegistrar's) is registered now.
    bool hotKeyRegistered(std::uint32_t id) const;

    // The rules file changed on disk: it is reloaded once the writes have settled for
    // rulesReloadDelay, so an editor's several writes make one reload.
    void rulesFileChanged();
    // Reloads the rules file at once (SIGHUP).
    void reloadRules();
    static constexpr Millis rulesReloadDelay{300};
    // Views and commands edit through the config model; these are for reading state.
    const NotificationObserver& observer() const { return observer_; }
    const RuleStore& ruleStore() const { return ruleStore_; }
    const ObservedAppsStore& observedAppsStore() const { return observedAppsStore_; }
    const PingLogStore& pingLogStore() const { return pingLogStore_; }
    const std::set<std::string>& seenApps() const { return dispatch_.seenApps(); }
    // The tray icon's logic; the composition root gives it its button.
    StatusItemController& status() { return status_; }

    // The model every view edits rules through; created at start-up, before which it is absent.
    ConfigModel* configModel() { return configModel_ ? &*configModel_ : nullptr; }
    // The model's hooks that lead to the application object; the program adds the others.
    ConfigHooks modelHooks();
    // Copies the seen apps, the play-sounds switch, trust and the status text into the model and
    // announces the change once.
    void refreshConfigModel();

    // Requests from outside the program (another launch, the command line), on the main thread:
    // the settings window at a pane (none: the first pane), and the dashboard.
    void openSettings(const std::optional<PaneID>& pane);
    void openDashboard();
    // Shows the dashboard; connected by the menus once they are set up.
    Callback<DashboardOpening()> onOpenDashboard;

    // Linux has no updater of the program's own: packages update through the distribution.
    static constexpr const char* updaterPlaceholderLine =
        "[sparkle] SUFeedURL/SUPublicEDKey still placeholders - updater NOT started (avoids the "
        "'updater failed to start' alert; Check for Updates disabled)";

private:
    // First, so the parts below can be built on them.
    AppServices services_;
    AppFolders folders_;
    SettingsPrefs prefs_;
    LogFn log_;

    NotificationObserver observer_;
    RuleStore ruleStore_;
    CustomSoundStore customSoundStore_;
    ObservedAppsStore observedAppsStore_;
    PingLogStore pingLogStore_;
    // Before the runner, which may hold sounds it took from here.
    HeadStarts headStarts_;
    AlertHeadStart headStart_;
    ActionRunner actionRunner_;
    SilenceControl silence_;
    StatusItemController status_;
    AlertDispatch dispatch_;
    HotKeyRegistrar hotKeys_;

    void seedUnreadMarkOnFirstRun();
    void reloadRulesFile();
    void setUpConfigModel();
    ConfigPublished configPublished();

    std::optional<std::vector<std::string>> soundNames_;
    std::optional<ConfigModel> configModel_;
    Subscription rulesReloadTimer_;
    Subscription statusTimer_;
    Subscription headStartNet_;
    std::vector<Subscription> observers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
