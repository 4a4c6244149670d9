#pragma once

#include "app/SilenceControl.h"
#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/RuleEngine.h"
#include "core/Scheduler.h"
#include "core/SettingsPrefs.h"
#include "core/Subscription.h"
#include "detect/NotificationObserver.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "signals/ActionRunner.h"
#include "signals/ScreenFlash.h"
#include "signals/StatusItemController.h"
#include "store/RuleStore.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvale {

// The application object's alert dispatch: each detected notification is logged, matched to its
// rule, and given its sound, history record, tray blink and screen flash, unless the silence says
// otherwise; a notification the server refused is taken back.
class AlertDispatch {
public:
    // The parts of the application object the dispatch works through; all outlive it.
    struct Parts {
        Scheduler& scheduler;
        SettingsPrefs& prefs;
        const SilenceControl& silence;
        const NotificationObserver& observer;
        const RuleStore& ruleStore;
        ObservedAppsStore& observedAppsStore;
        PingLogStore& pingLogStore;
        ActionRunner& actionRunner;
        StatusItemController& status;
    };

    // `updateStatus` redraws the status item and republishes the model's values.
    AlertDispatch(Parts parts, LogFn log, std::function<void()> updateStatus);
    AlertDispatch(const AlertDispatch&) = delete;
    AlertDispatch& operator=(const AlertDispatch&) = delete;

    void handle(const ObservedNotification& notification);

    // What silences sounds at the moment an alert comes.
    struct SilenceFacts {
        bool soundsOn = true;
        bool snoozed = false;
        bool focusSilencing = false;
    };
    // Whether the rule's sound plays, or what holds it back: Focus (which holds back the whole
    // alert), mute, snooze, or the app's own request for no sound.
    enum class SoundGate { play, focus, muted, snoozed, appAsked };
    static SoundGate soundGate(const Rule& rule, const ObservedNotification& notification,
                               const SilenceFacts& facts);
    // The silence now.
    SilenceFacts silenceFacts() const;
    // The notification server refused the banner behind an alert: the alert is taken back.
    void withdrawAlert(const std::string& uuid);

    RuleEngine& engine();
    // The screen flash, once the program has overlay windows to show it in.
    void setScreenFlash(ScreenFlash* flash) { screenFlash_ = flash; }
    ScreenFlash* screenFlash() const { return screenFlash_; }

    const std::set<std::string>& seenApps() const { return seenApps_; }
    void forgetSeenApp(const std::string& name);

    // Any program can post under any name; the names seen this run are capped, a new one taking
    // the place of the earliest.
    static constexpr size_t seenAppsCap = 1000;

    // Apps seen this run asking for no sound (they play their own), earliest first; the Fix
    // Double-Sound pane suggests honouring that.
    const std::deque<std::string>& suppressingApps() const { return suppressingApps_; }
    static constexpr size_t suppressingAppsCap = 20;

private:
    // A detected notification's rule and signals, after it has been logged.
    void dispatch(const ObservedNotification& notification);
    void noteSeenApp(const std::string& appName);
    void noteSuppressingApp(const std::string& appName);

    // An alert's history record, tray update and flashes, held until its sound is on its way.
    struct PendingSignals {
        ObservedNotification notification;
        Rule rule;
        Subscription wait;
        bool withdrawn = false;
    };
    static constexpr Millis signalsWait{30};
    void showSignals(const ObservedNotification& notification, const Rule& rule);

    Parts parts_;
    LogFn log_;
    std::function<void()> updateStatus_;
    std::optional<RuleEngine> engine_;
    ScreenFlash* screenFlash_ = nullptr;
    std::set<std::string> seenApps_;
    // The same names in the order they were first seen.
    std::deque<std::string> seenOrder_;
    bool seenAppsCapLogged_ = false;
    std::deque<std::string> suppressingApps_;
    std::vector<std::shared_ptr<PendingSignals>> pendingSignals_;
    // The banners behind the latest recorded alerts, with their app names, newest last.
    std::deque<std::pair<std::string, std::string>> recentAlerts_;
    std::string lastBlinkUuid_;
    std::string lastFlashUuid_;
};

} // namespace corvale
