#pragma once

#include "core/AlertSignals.h"
#include "core/Broadcast.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/ObservedNotification.h"
#include "core/RuleEngine.h"
#include "core/Scheduler.h"
#include "core/SettingsPrefs.h"
#include "detect/ObservedAppsStore.h"
#include "history/PingLogStore.h"
#include "library/CustomSoundStore.h"
#include "store/RuleStore.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace corvale {

// The services of the platform that the application object works through.
struct AppServices {
    Scheduler& scheduler;
    Preferences& preferences;
    NotificationCenter& center;
    Broadcast& broadcast;
};

// The single application object: owns the stores and services for the life of the process, runs
// the start-up sequence, and dispatches each detected notification to its signals.
class AppDelegate {
public:
    // Creates and loads the stores in the order rules, custom sounds, observed apps, ping log.
    AppDelegate(AppServices services, const std::filesystem::path& supportFolder,
                LogFn log = logLine);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void handle(const ObservedNotification& notification);

    RuleEngine& engine();
    SettingsPrefs& prefs() { return prefs_; }

    // Wiring of the parts that detect notifications and give the signals.
    void setTrustQuery(std::function<bool()> isTrusted) { isTrusted_ = std::move(isTrusted); }
    void setDetectedCount(std::function<long()> detectedCount) {
        detectedCount_ = std::move(detectedCount);
    }
    void setAlertSignals(AlertSignals* signals) { signals_ = signals; }
    void setSoundPlayer(SoundPlayer* player) { soundPlayer_ = player; }

    // Any program can post under any name; the names seen this run are capped.
    static constexpr size_t seenAppsCap = 1000;

    RuleStore ruleStore;
    CustomSoundStore customSoundStore;
    ObservedAppsStore observedAppsStore;
    PingLogStore pingLogStore;
    std::set<std::string> seenApps;
    bool focusFilterSilencing = false;
    std::optional<TimePoint> snoozeDeadline;

private:
    void seedUnreadMarkOnFirstRun();
    void noteSeenApp(const std::string& appName);

    AppServices services_;
    SettingsPrefs prefs_;
    LogFn log_;
    std::optional<RuleEngine> engine_;
    std::function<bool()> isTrusted_;
    std::function<long()> detectedCount_;
    AlertSignals* signals_ = nullptr;
    SoundPlayer* soundPlayer_ = nullptr;
    bool seenAppsCapLogged_ = false;
};

} // namespace corvale
