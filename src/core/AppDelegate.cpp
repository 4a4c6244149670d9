#include "core/AppDelegate.h"

#include "core/AlertTrace.h"
#include "history/PingRecord.h"
#include "history/UnreadTally.h"
#include "signals/SoundLibrary.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/FocusFilterState.h"
#include "silence/Snooze.h"
#include "ui/settings/PaneKey.h"

#include <algorithm>

namespace corvale {

namespace {
const char* boolText(bool value) {
    return value ? "true" : "false";
}
} // namespace

AppDelegate::AppDelegate(AppServices services, AppFolders folders, LogFn log)
    : services_(services), folders_(std::move(folders)),
      prefs_(services.preferences, services.center), log_(std::move(log)),
      observer_(services.bannerTree, services.scheduler),
      ruleStore_(RuleStore::defaultFileURL(folders_.support), log_),
      customSoundStore_(CustomSoundStore::defaultFileURL(folders_.support), log_),
      observedAppsStore_(ObservedAppsStore::defaultFileURL(folders_.support), log_),
      pingLogStore_(PingLogStore::defaultFileURL(folders_.support), log_),
      actionRunner_(services.audioEngine, services.namedSounds, services.scheduler,
                    folders_.builtinSounds),
      status_(services.scheduler,
              StatusInputs{
                  [this] { return services_.bannerTree.isTrusted(); },
                  [this] { return observer_.isAttached(); },
                  [this] { return prefs_.soundsEnabled(); },
                  [this] { return snoozeDeadline_; },
                  [this] {
                      return UnreadTally::count(pingLogStore_.records(),
                                                prefs_.pingHistorySeenThrough());
                  },
                  [this] { return observer_.detectedCount(); },
                  [this] { return services_.preferences.textValue(prefkeys::menuBarIconStyle); },
              }),
      hotKeys_(services.hotKeys, prefs_, services.scheduler,
               {[this] { toggleSoundsFromHotKey(); }, [this] { snoozeHotKeyFired(); }}, log_) {
    for (VersionedJsonStore* store : std::initializer_list<VersionedJsonStore*>{
             &ruleStore_, &customSoundStore_, &observedAppsStore_, &pingLogStore_}) {
        store->setNotice(services_.notice);
    }
    ruleStore_.load();
    customSoundStore_.load();
    observedAppsStore_.load();
    pingLogStore_.load();
    focusFilterSilencing_ =
        services_.preferences.boolValue(prefkeys::focusFilterSilencing).value_or(false);
}

AppDelegate::~AppDelegate() {
    *alive_ = false;
}

RuleEngine& AppDelegate::engine() {
    if (!engine_) {
        engine_.emplace([this] { return ruleStore_.rules(); }, log_);
    }
    return *engine_;
}

const std::vector<std::string>& AppDelegate::soundNames() {
    if (!soundNames_) {
        soundNames_ = SoundLibrary::names(folders_.builtinSounds);
    }
    return *soundNames_;
}

void AppDelegate::applicationDidFinishLaunching() {
    std::weak_ptr<bool> alive = alive_;
    auto whileAlive = [alive](std::function<void()> fn) {
        return [alive, fn = std::move(fn)] {
            if (!alive.expired()) {
                fn();
            }
        };
    };

    log_(std::string("[start] Corvale. AXIsProcessTrusted=") +
         boolText(services_.bannerTree.isTrusted()));
    log_("[rules] " + std::to_string(ruleStore_.rules().size()) + " rule(s) active at " +
         ruleStore_.fileURL().string());
    log_("[sounds] library: " + std::to_string(soundNames().size()) +
         " built-in; play-sounds=" + boolText(prefs_.soundsEnabled()));
    if (relocationCheck_ && relocationCheck_()) {
        return;
    }

    if (createStatusButton) {
        status_.setButton(createStatusButton());
    }
    setUpConfigModel();

    updaterController_ = startUpdater(updaterConfig_, updaterFactory_, log_);
    // Without an updater the quick menu leaves its row out rather than offer a dead one.
    if (updaterController_) {
        configModel_->onCheckForUpdates = [this] { checkForUpdates(); };
    }
    observers_.push_back(services_.center.observe(notes::checkForUpdates,
                                                  whileAlive([this] { checkForUpdates(); })));
    observers_.push_back(services_.center.observe(notes::statusItemNeedsRefresh,
                                                  whileAlive([this] { updateStatus(); })));
    hotKeys_.registerHotKeys();
    observers_.push_back(services_.center.observe(
        notes::hotKeyChanged, whileAlive([this] { hotKeys_.registerHotKeys(); })));
    // Unset intensity, duration and repeat, so the test shows exactly the global defaults.
    observers_.push_back(services_.center.observe(
        notes::testFlash, whileAlive([this] {
            flashScreenOverlay(FlashColor::fromHex("#1E88E5"), FlashStyle::fullScreen, "Test",
                               std::nullopt, std::nullopt, std::nullopt);
        })));
    restoreSnoozeIfNeeded();

    observers_.push_back(services_.broadcast.observe(
        broadcasts::focusFilterChanged, [this, alive](const std::string& object) {
            if (!alive.expired()) {
                applyFocusFilter(FocusFilterState::decodeBroadcast(object));
            }
        }));
    log_(std::string("[focus-filter] initial silence=") + boolText(focusFilterSilencing_));

    observers_.push_back(services_.broadcast.observe(
        broadcasts::soundCommand, [this, alive](const std::string& object) {
            if (alive.expired()) {
                return;
            }
            if (auto command = SoundCommand::fromPayload(object)) {
                applySoundCommand(*command);
            }
        }));

    actionRunner_.setLog(log_);
    observer_.log = log_;
    observer_.onNotification = [this, alive](const ObservedNotification& n) {
        if (!alive.expired()) {
            handle(n);
        }
    };
    observer_.onRefused = [this, alive](const std::string& uuid) {
        if (!alive.expired()) {
            withdrawAlert(uuid);
        }
    };
    // Asking again is the prompt here: the reader attaches by itself once the bus accepts us.
    if (!services_.bannerTree.isTrusted()) {
        log_(
            "[perm] Accessibility not granted - prompted; will attach automatically once granted.");
    }
    observer_.start();
    seedUnreadMarkOnFirstRun();
    statusTimer_ = services_.scheduler.every(Millis(1000), whileAlive([this] { updateStatus(); }));
    updateStatus();
}

void AppDelegate::checkForUpdates() {
    if (updaterController_) {
        updaterController_->checkForUpdates();
    }
}

void AppDelegate::setUpConfigModel() {
    configModel_.emplace(
        ConfigModel::Stores{ruleStore_, customSoundStore_, observedAppsStore_, pingLogStore_},
        [this](const Rule& rule, const ObservedNotification& n) { actionRunner_.run(rule, n); },
        soundNames(), services_.center, services_.scheduler, log_);
    // The model lives inside this object, so its hooks cannot outlive it.
    auto& model = *configModel_;
    model.onSoundsEnabledChanged = [this](bool on) {
        prefs_.setSoundsEnabled(on);
        log_(std::string("[toggle] play-sounds = ") + boolText(on));
        updateStatus();
    };
    model.onForgetSeenApp = [this](const std::string& name) {
        seenApps_ = MenuModel::forgetting(name, seenApps_);
        refreshConfigModel();
    };
    model.onFlashPreview = [this](const std::optional<FlashColor>& color) {
        flashMenuBarIcon(color);
    };
    model.onScreenFlashPreview =
        [this](const std::optional<FlashColor>& color, FlashStyle style, const std::string& app,
               const std::optional<FlashIntensity>& intensity,
               const std::optional<FlashDuration>& duration, const std::optional<int>& repeat) {
            flashScreenOverlay(color, style, app, intensity, duration, repeat);
        };
    model.onSnooze = [this] { snoozeHotKeyFired(); };
}

ConfigPublished AppDelegate::configPublished() {
    return {.seenApps = std::vector<std::string>(seenApps_.begin(), seenApps_.end()),
            .isTrusted = services_.bannerTree.isTrusted(),
            .statusLine = status_.statusText(),
            .soundsEnabled = prefs_.soundsEnabled(),
            .isSnoozed = snoozeActive()};
}

void AppDelegate::refreshConfigModel() {
    if (configModel_) {
        configModel_->publish(configPublished());
    }
}

void AppDelegate::openSettings(const std::optional<PaneID>& pane) {
    const std::string key = paneKey(pane.value_or(PaneID::of(PaneID::Kind::general)));
    log_("[settings] open pane=\"" + key + "\"");
    if (!configModel_ || !configModel_->onOpenSettings) {
        log_("[settings] no settings window to open");
        return;
    }
    configModel_->onOpenSettings(pane);
}

void AppDelegate::openDashboard() {
    switch (onOpenDashboard()) {
    case DashboardPlace::besideTray:
        log_("[dashboard] opened beside the tray icon");
        return;
    case DashboardPlace::window:
        log_("[dashboard] opened as a window - no system tray on this desktop");
        return;
    case DashboardPlace::none:
        break;
    }
    log_("[dashboard] no dashboard to open");
}

void AppDelegate::seedUnreadMarkOnFirstRun() {
    if (prefs_.pingHistorySeenThrough()) {
        return;
    }
    const auto& records = pingLogStore_.records();
    auto newest = UnreadTally::newestTimestamp(records);
    if (!newest) {
        return;
    }
    prefs_.setPingHistorySeenThrough(*newest);
    log_("[unread] first-run seed: marked " + std::to_string(records.size()) +
         " pre-existing alert(s) as seen");
}

void AppDelegate::noteSeenApp(const std::string& appName) {
    if (seenApps_.size() >= seenAppsCap && !seenApps_.contains(appName)) {
        if (!seenAppsCapLogged_) {
            seenAppsCapLogged_ = true;
            log_("[observed] " + std::to_string(seenAppsCap) +
                 " apps seen this run - not tracking more names");
        }
        return;
    }
    seenApps_.insert(appName);
}

void AppDelegate::updateStatus() {
    status_.updateStatus();
    // Runs every second: the views hear of it only when something they show has changed.
    if (configModel_) {
        auto values = configPublished();
        if (values != configModel_->published()) {
            configModel_->publish(std::move(values));
        }
    }
}

void AppDelegate::flashMenuBarIcon(std::optional<FlashColor> color) {
    status_.flashMenuBarIcon(color);
}

void AppDelegate::flashScreenOverlay(std::optional<FlashColor> color, FlashStyle style,
                                     const std::string& appName,
                                     std::optional<FlashIntensity> intensity,
                                     std::optional<FlashDuration> duration,
                                     std::optional<int> repeatCount) {
    if (screenFlash_) {
        screenFlash_->flashScreenOverlay(color, style, appName, intensity, duration, repeatCount);
    }
}

FlashDefaults AppDelegate::flashDefaults() const {
    return {prefs_.flashIntensity(), prefs_.flashDuration(), prefs_.flashRepeat()};
}

void AppDelegate::handle(const ObservedNotification& n) {
    noteSeenApp(n.appName);
    log_("DETECTED #" + std::to_string(observer_.detectedCount()) + " app=" + inQuotes(n.appName) +
         " title=" + inQuotes(n.title) + " subtitle=" + inQuotes(n.subtitle) + " body=" +
         inQuotes(n.body) + " kind=" + std::string(rawValue(n.kind)) + " uuid=" + n.uuid);
    dispatch(n);
    // A new app's name is saved to its file only now, so the write never delays its sound.
    observedAppsStore_.observe(n.appName);
}

void AppDelegate::dispatch(const ObservedNotification& n) {
    auto rule = engine().resolve(n);
    alertTrace::stage("dispatch: rule resolved");
    if (!rule) {
        log_("[match] app=" + inQuotes(n.appName) + " \u2192 no matching rule (nothing played)");
        return;
    }

    if (focusFilterSilencing_) {
        log_("[focus] Focus Filter active - silencing rules that respect Focus");
        if (rule->respectFocus) {
            log_("[focus] suppressed app=" + inQuotes(n.appName) + " - Focus active + rule " +
                 inQuotes(rule->appDisplayName) + " respects it (no sound/flash)");
            return;
        }
    }

    // The sound is asked for first, and the other signals wait until it is on its way: the audio
    // server sets up the stream in that moment, and writing the history and redrawing the tray
    // would compete with it for the processor. They wait at most signalsWait, so a silent audio
    // server never holds them back. The gates' lines keep their place after the flashes.
    const bool soundsOn = prefs_.soundsEnabled();
    const bool snoozed = soundsOn && snoozeActive();
    if (!soundsOn || snoozed) {
        showSignals(n, *rule);
        log_(!soundsOn ? "[muted] sounds off - skipped app=" + inQuotes(n.appName)
                       : "[snooze] active - skipped app=" + inQuotes(n.appName));
        alertTrace::stage("dispatch: done");
        return;
    }
    auto pending = std::make_shared<PendingSignals>(PendingSignals{n, *rule, {}, false});
    pendingSignals_.push_back(pending);
    std::weak_ptr<PendingSignals> weak = pending;
    auto show = [this, weak] {
        auto signals = weak.lock();
        if (!signals) {
            return;
        }
        std::erase(pendingSignals_, signals);
        signals->wait.reset();
        if (!signals->withdrawn) {
            showSignals(signals->notification, signals->rule);
        }
    };
    alertTrace::stage("dispatch: sound asked");
    actionRunner_.run(*rule, n, show);
    alertTrace::stage("dispatch: sound on its way");
    // The wait is set once the sound is asked for, unless the sound has settled already.
    if (std::ranges::find(pendingSignals_, pending) != pendingSignals_.end()) {
        pending->wait = services_.scheduler.after(signalsWait, show);
    }
}

void AppDelegate::showSignals(const ObservedNotification& n, const Rule& rule) {
    std::optional<std::string> preview;
    if (prefs_.pingHistoryIncludePreview()) {
        preview = PingRecord::previewText(n.title, n.subtitle, n.body);
    }
    pingLogStore_.record(n.appName, n.timestamp, preview, n.uuid);
    alertTrace::stage("dispatch: history recorded");
    if (!n.uuid.empty()) {
        recentAlerts_.emplace_back(n.uuid, n.appName);
        if (recentAlerts_.size() > PingLogStore::maxRetained) {
            recentAlerts_.pop_front();
        }
    }

    updateStatus();
    alertTrace::stage("dispatch: status updated");
    if (rule.flashMenuBar) {
        flashMenuBarIcon(rule.flashColor);
        lastBlinkUuid_ = n.uuid;
    }
    if (rule.flashScreen) {
        flashScreenOverlay(rule.flashColor, rule.flashStyle, n.appName, rule.flashIntensity,
                           rule.flashDuration, rule.flashRepeat);
        lastFlashUuid_ = n.uuid;
    }
    alertTrace::stage("dispatch: signals shown");
}

void AppDelegate::withdrawAlert(const std::string& uuid) {
    if (uuid.empty()) {
        return;
    }
    std::string appName;
    auto pending = std::find_if(pendingSignals_.begin(), pendingSignals_.end(),
                                [&](const auto& p) { return p->notification.uuid == uuid; });
    auto alert = std::find_if(recentAlerts_.begin(), recentAlerts_.end(),
                              [&](const auto& entry) { return entry.first == uuid; });
    if (pending != pendingSignals_.end() && !(*pending)->withdrawn) {
        // Refused before its signals were shown: they never will be.
        (*pending)->withdrawn = true;
        appName = (*pending)->notification.appName;
    } else if (alert != recentAlerts_.end()) {
        appName = alert->second;
        recentAlerts_.erase(alert);
    } else {
        return;
    }
    // A later alert's blink or flash is its own; only this alert's signals end.
    if (lastBlinkUuid_ == uuid) {
        status_.endBlink();
        lastBlinkUuid_.clear();
    }
    if (lastFlashUuid_ == uuid) {
        if (screenFlash_) {
            screenFlash_->removeFlashOverlays();
        }
        lastFlashUuid_.clear();
    }
    // The sound has not reached the speakers yet: the audio server's own latency is longer.
    actionRunner_.stopSoundFor(uuid);
    pingLogStore_.withdraw(uuid);
    updateStatus();
    log_("[refused] app=" + inQuotes(appName) + " uuid=" + uuid +
         " - the notification server refused it; alert withdrawn");
}

bool AppDelegate::snoozeActive() const {
    return Snooze::isActive(snoozeDeadline_, services_.scheduler.now());
}

void AppDelegate::setSnooze(std::optional<TimePoint> deadline) {
    snoozeTimer_.reset();
    snoozeDeadline_ = deadline;
    prefs_.setSnoozeDeadline(deadline);
    if (deadline) {
        auto wait =
            std::max(Millis(0), std::chrono::ceil<Millis>(*deadline - services_.scheduler.now()));
        std::weak_ptr<bool> alive = alive_;
        snoozeTimer_ = services_.scheduler.after(wait, [this, alive] {
            if (alive.expired()) {
                return;
            }
            setSnooze(std::nullopt);
            log_("[snooze] expired - sounds resume");
        });
    }
    updateStatus();
}

void AppDelegate::beginSnooze() {
    int minutes = prefs_.snoozeDurationMinutes();
    setSnooze(services_.scheduler.now() + std::chrono::minutes(minutes));
    log_("[snooze] began - " + std::to_string(minutes) + " min (sounds silenced until deadline)");
}

void AppDelegate::snoozeHotKeyFired() {
    if (snoozeActive()) {
        setSnooze(std::nullopt);
        log_("[snooze] cancelled - sounds resume");
    } else {
        beginSnooze();
    }
}

void AppDelegate::restoreSnoozeIfNeeded() {
    auto stored = prefs_.snoozeDeadline();
    if (!stored) {
        return;
    }
    auto now = services_.scheduler.now();
    if (*stored > now) {
        setSnooze(*stored);
        log_("[snooze] resumed after relaunch - " +
             std::to_string(Snooze::minutesRemaining(stored, now)) + " min left");
    } else {
        prefs_.setSnoozeDeadline(std::nullopt);
        log_("[snooze] persisted deadline already passed - cleared");
    }
}

void AppDelegate::applySoundCommand(const SoundCommand& command) {
    switch (command.kind()) {
    case SoundCommand::Kind::mute:
        if (prefs_.soundsEnabled()) {
            prefs_.setSoundsEnabled(false);
        }
        log_("[intent] mute \u2192 play-sounds = false");
        updateStatus();
        return;
    case SoundCommand::Kind::unmute:
        if (!prefs_.soundsEnabled()) {
            prefs_.setSoundsEnabled(true);
        }
        log_("[intent] unmute \u2192 play-sounds = true");
        updateStatus();
        return;
    case SoundCommand::Kind::snooze: {
        int minutes = Snooze::clampMinutes(command.minutes());
        setSnooze(services_.scheduler.now() + std::chrono::minutes(minutes));
        log_("[intent] snooze " + std::to_string(minutes) + " min");
        return;
    }
    case SoundCommand::Kind::resume:
        if (snoozeActive()) {
            setSnooze(std::nullopt);
            log_("[snooze] cancelled - sounds resume");
        } else {
            log_("[intent] resume - no active snooze");
        }
        return;
    }
}

void AppDelegate::rulesFileChanged() {
    std::weak_ptr<bool> alive = alive_;
    rulesReloadTimer_ = services_.scheduler.after(rulesReloadDelay, [this, alive] {
        if (!alive.expired()) {
            reloadRulesFile();
        }
    });
}

void AppDelegate::reloadRules() {
    rulesReloadTimer_.reset();
    log_("[rules] reload requested - reading " + ruleStore_.fileURL().string());
    reloadRulesFile();
}

void AppDelegate::reloadRulesFile() {
    if (ruleStore_.reload() == RuleStore::Reload::reloaded) {
        // The editors show the rules' sounds; they read them again.
        services_.center.post(notes::soundDidChange);
    }
}

bool AppDelegate::hotKeyRegistered(std::uint32_t id) const {
    if (id == HotKeyRegistrar::muteHotKeyID) {
        return hotKeys_.muteHotKey() != nullptr;
    }
    if (id == HotKeyRegistrar::snoozeHotKeyID) {
        return hotKeys_.snoozeHotKey() != nullptr;
    }
    return false;
}

void AppDelegate::toggleSoundsFromHotKey() {
    bool enabled = !prefs_.soundsEnabled();
    prefs_.setSoundsEnabled(enabled);
    log_(std::string("[hotkey] mute-all fired \u2192 play-sounds = ") + boolText(enabled));
    updateStatus();
}

} // namespace corvale

namespace corvale {

void AppDelegate::applyFocusFilter(bool silence) {
    focusFilterSilencing_ = silence;
    log_(std::string("[focus-filter] silence=") + boolText(silence) + " (Focus Filter perform)");
}

void AppDelegate::desktopDoNotDisturbChanged(bool on, bool initial) {
    if (!prefs_.followDesktopDoNotDisturb()) {
        return;
    }
    // A launch with do-not-disturb off must not undo a "corvale focus on" the user saved.
    if (initial && !on) {
        return;
    }
    bool sent = CorvaleFocusFilter::perform(on, services_.preferences, services_.broadcast,
                                            services_.systemLog);
    if (!sent) {
        applyFocusFilter(on); // no bus to bring the broadcast back to us
    }
}

} // namespace corvale
