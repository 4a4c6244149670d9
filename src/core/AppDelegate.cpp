#include "core/AppDelegate.h"

#include "history/PingRecord.h"
#include "history/UnreadTally.h"

namespace corvale {

namespace {
std::string inQuotes(const std::string& value) {
    return "\"" + value + "\"";
}
const char* boolText(bool value) {
    return value ? "true" : "false";
}
} // namespace

AppDelegate::AppDelegate(AppServices services, const std::filesystem::path& supportFolder,
                         LogFn log)
    : ruleStore(RuleStore::defaultFileURL(supportFolder), log),
      customSoundStore(CustomSoundStore::defaultFileURL(supportFolder), log),
      observedAppsStore(ObservedAppsStore::defaultFileURL(supportFolder), log),
      pingLogStore(PingLogStore::defaultFileURL(supportFolder), log), services_(services),
      prefs_(services.preferences, services.center), log_(std::move(log)) {
    ruleStore.load();
    customSoundStore.load();
    observedAppsStore.load();
    pingLogStore.load();
    focusFilterSilencing =
        services_.preferences.boolValue(prefkeys::focusFilterSilencing).value_or(false);
}

RuleEngine& AppDelegate::engine() {
    if (!engine_) {
        engine_.emplace([this] { return ruleStore.rules(); }, log_);
    }
    return *engine_;
}

void AppDelegate::applicationDidFinishLaunching() {
    debuglog::startFresh();
    bool trusted = isTrusted_ && isTrusted_();
    log_(std::string("[start] Corvale. AXIsProcessTrusted=") + boolText(trusted));
    log_("[rules] " + std::to_string(ruleStore.rules().size()) + " rule(s) active at " +
         ruleStore.fileURL().string());
    seedUnreadMarkOnFirstRun();
}

void AppDelegate::seedUnreadMarkOnFirstRun() {
    if (prefs_.pingHistorySeenThrough()) {
        return;
    }
    const auto& records = pingLogStore.records();
    auto newest = UnreadTally::newestTimestamp(records);
    if (!newest) {
        return;
    }
    prefs_.setPingHistorySeenThrough(*newest);
    log_("[unread] first-run seed: marked " + std::to_string(records.size()) +
         " pre-existing alert(s) as seen");
}

void AppDelegate::noteSeenApp(const std::string& appName) {
    if (seenApps.size() >= seenAppsCap && !seenApps.contains(appName)) {
        if (!seenAppsCapLogged_) {
            seenAppsCapLogged_ = true;
            log_("[observed] " + std::to_string(seenAppsCap) +
                 " apps seen this run - not tracking more names");
        }
        return;
    }
    seenApps.insert(appName);
}

void AppDelegate::handle(const ObservedNotification& n) {
    noteSeenApp(n.appName);
    observedAppsStore.observe(n.appName);

    long count = detectedCount_ ? detectedCount_() : 0;
    log_("DETECTED #" + std::to_string(count) + " app=" + inQuotes(n.appName) + " title=" +
         inQuotes(n.title) + " subtitle=" + inQuotes(n.subtitle) + " body=" + inQuotes(n.body) +
         " kind=" + std::string(rawValue(n.kind)) + " uuid=" + n.uuid);

    auto rule = engine().resolve(n);
    if (!rule) {
        log_("[match] app=" + inQuotes(n.appName) + " \u2192 no matching rule (nothing played)");
        return;
    }

    if (focusFilterSilencing) {
        log_("[focus] Focus Filter active - silencing rules that respect Focus");
        if (rule->respectFocus) {
            log_("[focus] suppressed app=" + inQuotes(n.appName) + " - Focus active + rule " +
                 inQuotes(rule->appDisplayName) + " respects it (no sound/flash)");
            return;
        }
    }

    std::optional<std::string> preview;
    if (prefs_.pingHistoryIncludePreview()) {
        preview = PingRecord::previewText(n.title, n.subtitle, n.body);
    }
    pingLogStore.record(n.appName, n.timestamp, preview);

    if (signals_) {
        signals_->updateStatus();
        if (rule->flashMenuBar) {
            signals_->flashMenuBarIcon(rule->flashColor);
        }
        if (rule->flashScreen) {
            signals_->flashScreenOverlay(rule->flashColor, rule->flashStyle, n.appName,
                                         rule->flashIntensity, rule->flashDuration,
                                         rule->flashRepeat);
        }
    }

    if (!prefs_.soundsEnabled()) {
        log_("[muted] sounds off - skipped app=" + inQuotes(n.appName));
        return;
    }
    if (snoozeDeadline && *snoozeDeadline > services_.scheduler.now()) {
        log_("[snooze] active - skipped app=" + inQuotes(n.appName));
        return;
    }
    if (soundPlayer_) {
        soundPlayer_->run(*rule, n);
    }
}

} // namespace corvale
