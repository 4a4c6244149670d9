#include "app/AppDelegate.h"

#include "core/PaneKey.h"
#include "history/UnreadTally.h"
#include "signals/SoundLibrary.h"
#include "silence/FocusFilterState.h"

#include <algorithm>

namespace corvale {

AppDelegate::AppDelegate(AppServices services, AppFolders folders, LogFn log)
    : services_(services), folders_(std::move(folders)),
      prefs_(services.preferences, services.center), log_(std::move(log)),
      observer_(services.bannerTree, services.scheduler),
      ruleStore_(RuleStore::defaultFileURL(folders_.support), log_),
      customSoundStore_(CustomSoundStore::defaultFileURL(folders_.support), log_),
      observedAppsStore_(ObservedAppsStore::defaultFileURL(folders_.support), log_),
      pingLogStore_(PingLogStore::defaultFileURL(folders_.support), log_),
      headStarts_(services.audioEngine), headStart_(headStarts_, folders_.builtinSounds),
      actionRunner_(services.audioEngine, services.namedSounds, services.scheduler,
                    folders_.builtinSounds),
      silence_({services.scheduler, services.preferences, services.broadcast, services.systemLog,
                [this](const std::string& why) { actionRunner_.stopAll(why); }},
               prefs_, log_, [this] { updateStatus(); }),
      status_(services.scheduler,
              StatusInputs{
                  [this] { return services_.bannerTree.isTrusted(); },
                  [this] { return observer_.isAttached(); },
                  [this] { return prefs_.soundsEnabled(); },
                  [this] { return silence_.snoozeDeadline(); },
                  [this] {
                      return UnreadTally::count(pingLogStore_.records(),
                                                prefs_.pingHistorySeenThrough());
                  },
                  [this] { return observer_.detectedCount(); },
                  [this] { return services_.preferences.textValue(prefkeys::menuBarIconStyle); },
                  [this] { return silence_.focusFilterSilencing(); },
              }),
      dispatch_({services.scheduler, prefs_, silence_, observer_, ruleStore_, observedAppsStore_,
                 pingLogStore_, actionRunner_, status_},
                log_,
                [this] {
                    updateStatus();
                    // The history changed; what the views publish may not have (a snooze label).
                    if (configModel_) {
                        configModel_->announceChange();
                    }
                }),
      hotKeys_(services.hotKeys, prefs_, services.scheduler,
               {[this] { silence_.toggleSoundsFromHotKey(); },
                [this] { silence_.snoozeHotKeyFired(); },
                [this] {
                    if (configModel_) {
                        configModel_->announceChange();
                    }
                }},
               log_) {
    for (VersionedJsonStore* store : std::initializer_list<VersionedJsonStore*>{
             &ruleStore_, &customSoundStore_, &observedAppsStore_, &pingLogStore_}) {
        store->setNotice(services_.notice);
    }
    ruleStore_.load();
    customSoundStore_.load();
    observedAppsStore_.load();
    pingLogStore_.load();
}

AppDelegate::~AppDelegate() {
    *alive_ = false;
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
    if (createStatusButton) {
        status_.setButton(createStatusButton());
    }
    setUpConfigModel();

    // Without an updater the menus leave their update rows out rather than offer dead ones.
    log_(updaterPlaceholderLine);
    observers_.push_back(services_.center.observe(
        notes::checkForUpdates, whileAlive([this] { configModel_->onCheckForUpdates(); })));
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
    silence_.restoreSnoozeIfNeeded();

    observers_.push_back(services_.broadcast.observe(
        broadcasts::focusFilterChanged, [this, alive](const std::string& object) {
            if (!alive.expired()) {
                silence_.applyFocusFilter(FocusFilterState::decodeBroadcast(object));
            }
        }));
    log_(std::string("[focus-filter] initial silence=") +
         boolText(silence_.focusFilterSilencing()));

    observers_.push_back(services_.broadcast.observe(
        broadcasts::soundCommand, [this, alive](const std::string& object) {
            if (alive.expired()) {
                return;
            }
            if (auto command = SoundCommand::fromPayload(object)) {
                silence_.applySoundCommand(*command);
            }
        }));

    actionRunner_.setLog(log_);
    actionRunner_.setHeadStarts(&headStarts_);
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

void AppDelegate::setUpConfigModel() {
    configModel_.emplace(
        ConfigModel::Stores{ruleStore_, customSoundStore_, observedAppsStore_, pingLogStore_},
        [this](const Rule& rule, const ObservedNotification& n) { actionRunner_.run(rule, n); },
        soundNames(), services_.center, services_.scheduler, log_);
}

ConfigHooks AppDelegate::modelHooks() {
    // The model lives inside this object, so these hooks cannot outlive it.
    ConfigHooks hooks;
    hooks.onSoundsEnabledChanged = [this](bool on) {
        prefs_.setSoundsEnabled(on);
        log_(std::string("[toggle] play-sounds = ") + boolText(on));
        if (!on) {
            actionRunner_.stopAll("play sounds turned off");
        }
        updateStatus();
    };
    hooks.onForgetSeenApp = [this](const std::string& name) {
        dispatch_.forgetSeenApp(name);
        refreshConfigModel();
    };
    hooks.onFlashPreview = [this](const std::optional<FlashColor>& color) {
        flashMenuBarIcon(color);
    };
    hooks.onScreenFlashPreview =
        [this](const std::optional<FlashColor>& color, FlashStyle style, const std::string& app,
               const std::optional<FlashIntensity>& intensity,
               const std::optional<FlashDuration>& duration, const std::optional<int>& repeat) {
            flashScreenOverlay(color, style, app, intensity, duration, repeat);
        };
    hooks.onSnooze = [this] { silence_.snoozeHotKeyFired(); };
    hooks.onRestoreAccess = [this] {
        // The trust query itself asks the bus for a monitor again while it has none.
        observer_.attachIfPossible();
        const bool trusted = services_.bannerTree.isTrusted();
        log_(std::string("[access] restore requested, AXIsProcessTrusted=") + boolText(trusted));
        refreshConfigModel();
        updateStatus();
        return trusted;
    };
    return hooks;
}

ConfigPublished AppDelegate::configPublished() {
    const auto& seen = dispatch_.seenApps();
    const auto& suppressing = dispatch_.suppressingApps();
    return {.seenApps = std::vector<std::string>(seen.begin(), seen.end()),
            .isTrusted = services_.bannerTree.isTrusted(),
            .statusLine = status_.statusText(),
            .soundsEnabled = prefs_.soundsEnabled(),
            .isSnoozed = silence_.snoozeActive(),
            .suppressingApps = std::vector<std::string>(suppressing.begin(), suppressing.end())};
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
    const DashboardOpening opened = onOpenDashboard();
    switch (opened.place) {
    case DashboardPlace::besideTray:
        if (opened.anchor == TrayAnchor::icon) {
            log_("[dashboard] opened beside the tray icon");
        } else {
            log_("[dashboard] opened at the screen's " + trayAnchorName(opened.anchor) +
                 ", where the panel is - the tray gives no icon position");
        }
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

bool AppDelegate::holdForHeadStart(const std::string& identifier, std::function<void()> resume) {
    auto once = std::make_shared<std::function<void()>>(std::move(resume));
    auto go = [once] {
        if (auto fn = std::exchange(*once, nullptr)) {
            fn();
        }
    };
    if (!headStarts_.whenAnswered(identifier, go)) {
        return false;
    }
    // One call is held at a time: nothing after it is read until it goes.
    headStartNet_ = services_.scheduler.after(headStartWait, go);
    return true;
}

void AppDelegate::updateStatus() {
    status_.updateStatus();
    // Runs at every change of the silence, after every alert and every second: the bus thread
    // decides with what is true now.
    AlertHeadStart::Facts facts;
    facts.armed = observer_.isAttached() && observer_.primed();
    facts.silence = dispatch_.silenceFacts();
    facts.roomToPlay = actionRunner_.playingCount() < ActionRunner::maxPlaying;
    headStart_.publish(ruleStore_.rules(), facts);
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
    if (auto* flash = dispatch_.screenFlash()) {
        flash->flashScreenOverlay(color, style, appName, intensity, duration, repeatCount);
    }
}

FlashDefaults AppDelegate::flashDefaults() const {
    return {prefs_.flashIntensity(), prefs_.flashDuration(), prefs_.flashRepeat()};
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

} // namespace corvale
