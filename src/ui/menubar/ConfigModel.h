#pragma once

#include "core/Callback.h"
#include "core/FileUrl.h"
#include "core/FlashColor.h"
#include "core/FlashValues.h"
#include "core/Log.h"
#include "core/NamedObservers.h"
#include "core/NotificationCenter.h"
#include "core/ObservedNotification.h"
#include "core/PaneID.h"
#include "core/Rule.h"
#include "core/Scheduler.h"
#include "core/Subscription.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "history/RecentAlertsDigest.h"
#include "library/CustomSoundLibrary.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"
#include "store/StarterPresets.h"
#include "ui/menubar/MenuModel.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The values the application object copies into the model whenever its state changes.
struct ConfigPublished {
    std::vector<std::string> seenApps; // application names seen since launch
    bool isTrusted = true;             // notification access granted; true until the first refresh
    std::string statusLine;            // the status text of the tray icon
    bool soundsEnabled = true;         // the play-sounds preference
    bool isSnoozed = false;
    // Apps seen since launch asking for no sound of ours (they play their own).
    std::vector<std::string> suppressingApps;

    friend bool operator==(const ConfigPublished&, const ConfigPublished&) = default;
};

// Where the model's requests lead outside the logic: the settings window, the choosers, the
// application object. The program fills them all in one place; each does nothing until set.
struct ConfigHooks {
    Callback<void(bool)> onSoundsEnabledChanged;
    Callback<void()> onOpenNotifSettings;
    Callback<void()> onOpenAccessibilitySettings;
    // Asks the bus again to let us watch notifications; true when access is granted now.
    Callback<bool()> onRestoreAccess;
    Callback<std::optional<std::string>()> onAddApp;
    Callback<void(const std::string&)> onForgetSeenApp;
    Callback<void(const std::optional<std::string>&)> onChooseFile;
    Callback<void(const std::optional<std::string>&)> onClipFromSong;
    Callback<void(const std::optional<FlashColor>&)> onFlashPreview;
    Callback<void(const std::optional<FlashColor>&, FlashStyle, const std::string& appName,
                  const std::optional<FlashIntensity>&, const std::optional<FlashDuration>&,
                  const std::optional<int>& repeat)>
        onScreenFlashPreview;
    Callback<void()> onQuit;
    Callback<void()> onSnooze;
    Callback<void()> onCheckForUpdates;
    Callback<void(const std::optional<PaneID>&)> onOpenSettings;
    Callback<void(const std::string&)> onOpenApp;
    Callback<void()> onClearRecentAlerts;
};

// The one model behind the dashboard, the quick menu and the settings panes. Every user edit of a
// rule goes through one operation here: it computes the new rule with MenuModel, writes it through
// the rule store, logs one line and announces the change. Views subscribe with observe() and
// re-read what they show; the model holds no rule state of its own, so they always see the store.
//
// Main thread only. An application parameter that is none means the default rule ("All other
// apps").
class ConfigModel : public ConfigHooks {
public:
    using App = std::optional<std::string>;
    // Plays a rule's sound as if the notification had arrived (the sound player's run).
    using SoundRun = std::function<void(const Rule&, const ObservedNotification&)>;

    struct Stores {
        RuleStore& ruleStore;
        CustomSoundStore& customSoundStore;
        const ObservedAppsStore& observedAppsStore;
        PingLogStore& pingLogStore;
    };

    ConfigModel(Stores stores, SoundRun actionRunner, std::vector<std::string> soundNames,
                NotificationCenter& center, Scheduler& scheduler, LogFn log);
    ConfigModel(const ConfigModel&) = delete;
    ConfigModel& operator=(const ConfigModel&) = delete;

    // Change announcements: called after every change a view can see. The subscription ends the
    // observation; it may outlive the model.
    Subscription observe(std::function<void()> onChange);
    void announceChange();

    // Published values.
    const ConfigPublished& published() const { return published_; }
    // Replaces every published value and announces the change once.
    void publish(ConfigPublished values);
    void setSnoozed(bool snoozed);

    // What the views read; every read goes to the stores.
    const std::vector<Rule>& rules() const;
    const std::vector<CustomSound>& customSounds() const;
    const std::vector<std::string>& soundNames() const { return soundNames_; }
    std::vector<std::string> appRows() const;
    std::vector<std::string> configuredApps() const;
    // The dashboard's alert groups: the six apps with the latest alerts.
    std::vector<AppAlertGroup> recentAlertGroups() const;
    static constexpr size_t dashboardAlertGroups = 6;
    std::vector<std::string> unconfirmedApps() const;
    // Every app ever seen posting a notification, as first seen.
    const std::vector<std::string>& observedApps() const;
    std::vector<std::string> appsNeedingNativeMute() const;
    // Apps seen asking for no sound of ours whose rule does not honour that yet.
    std::vector<std::string> appsPlayingTheirOwnSound() const;
    bool hasRecentAlerts() const;

    // The data files, for the settings window and the dashboard: why saving fails now, in plain
    // words (empty while saves work), and the unreadable files set aside this run until the user
    // dismisses them.
    std::string saveProblem() const;
    std::string storeNotice() const;
    void dismissStoreNotice();

    // Rule edits. A name that cannot be an application's (blank, "*") adds nothing.
    std::optional<std::string> addApp(const std::string& named);
    void setSound(const SoundRef& sound, const App& app);
    void setVolume(double volume, const App& app);
    void setFlashMenuBar(bool on, const App& app);
    void setFlashScreen(bool on, const App& app);
    void setFlashColor(const std::optional<FlashColor>& color, const App& app);
    void setFlashStyle(FlashStyle style, const App& app);
    void setFlashIntensity(const std::optional<FlashIntensity>& intensity, const App& app);
    void setFlashDuration(const std::optional<FlashDuration>& duration, const App& app);
    void setFlashRepeat(const std::optional<int>& repeat, const App& app);
    void setCustomEnabled(bool on, const App& app);
    void setNativeMuted(bool on, const App& app);
    void setRespectFocus(bool on, const App& app);
    void setRespectSuppressSound(bool on, const App& app);
    // Plays the sound each notification names, the rule's current sound when it names none.
    void setUseAppSound(const App& app);
    bool removeApp(const std::string& named);
    void addRule(const std::string& forApp, const Condition& condition, const SoundRef& sound,
                 double volume, bool useAppSound = false);
    void updateRule(const Uuid& id, const Condition& condition, const SoundRef& sound,
                    double volume, bool useAppSound = false);
    void removeRule(const Uuid& id);
    std::string applyPreset(const AppPreset& preset);
    // Replaces every rule with imported ones, keeping the file in place beside it first. The kept
    // copy's path, or none with the reason in `error`.
    std::optional<std::filesystem::path> importRules(std::vector<Rule> imported,
                                                     std::string& error);
    // Removes one app's entries from the recent alerts.
    void clearAlerts(const std::string& forApp);
    // Empties the recent alerts (after the user confirmed).
    void clearAllAlerts();
    // The recent alerts in the order they were recorded, oldest first.
    const std::vector<PingRecord>& recentAlerts() const;

    // The "My Sounds" library.
    void addCustomSound(const std::string& name, const FileUrl& url);
    void renameCustomSound(const Uuid& id, const std::string& name);
    void removeCustomSound(const Uuid& id);
    std::optional<std::string> nameForFile(const FileUrl& url) const;
    // What the library pane says after a removal kept the user's own file; empty otherwise.
    const std::string& libraryNote() const { return library_.note(); }
    bool ownsSoundFile(const CustomSound& sound) const { return library_.ownsFile(sound); }

    // Trying things out; nothing is stored and no change is announced.
    void test(const App& app);
    void preview(const SoundRef& sound, double volume);
    void previewSound(const FileUrl& url);
    void previewFlash(const App& app);

    // Derived values for the rows.
    std::string summary(const App& forApp) const;
    FlashColor dashboardColor(const App& forApp) const;
    bool isUnconfirmed(const std::string& app) const;
    // Whether the app may play its own sound and ours together (its native sound not declared off).
    bool mayPlayTwoSounds(const std::string& app) const;

    // Replaces every hook at once.
    void setHooks(ConfigHooks hooks) { static_cast<ConfigHooks&>(*this) = std::move(hooks); }

    // The brand colour of the default row when the default rule has no colour.
    static constexpr const char* brandColorHex = "#0EC9D5";

private:
    std::vector<const VersionedJsonStore*> dataStores() const;
    void store(const Rule& rule);
    // One of the rule's on/off fields, stored, logged as "key = true" and announced.
    void setSwitch(bool Rule::*field, const char* key, bool on, const App& app);
    void log(const std::string& line) const;
    // The rule an app's test, summary and flash preview describe.
    Rule effectiveRule(const App& app) const;
    ObservedNotification syntheticNotification(const std::string& uuidPrefix,
                                               const std::string& appName,
                                               const std::string& title) const;

    Stores stores_;
    SoundRun actionRunner_;
    std::vector<std::string> soundNames_;
    NotificationCenter& center_;
    Scheduler& scheduler_;
    LogFn log_;
    CustomSoundLibrary library_;
    ConfigPublished published_;
    NamedObservers<> changes_;
    // Every view re-tints when the accent theme changes.
    Subscription themeObserver_;
    std::vector<Subscription> storeObservers_;
    // Per data store, how many of its set-aside files the user has dismissed.
    std::vector<size_t> dismissedNotices_;
};

} // namespace corvale
