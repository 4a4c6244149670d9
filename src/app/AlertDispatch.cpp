#include "app/AlertDispatch.h"

#include "core/AlertTrace.h"
#include "history/PingRecord.h"
#include "ui/menubar/MenuModel.h"

#include <algorithm>

namespace corvale {

AlertDispatch::AlertDispatch(Parts parts, LogFn log, std::function<void()> updateStatus)
    : parts_(parts), log_(std::move(log)), updateStatus_(std::move(updateStatus)) {}

RuleEngine& AlertDispatch::engine() {
    if (!engine_) {
        engine_.emplace([this]() -> const std::vector<Rule>& { return parts_.ruleStore.rules(); },
                        log_);
    }
    return *engine_;
}

void AlertDispatch::forgetSeenApp(const std::string& name) {
    seenApps_ = MenuModel::forgetting(name, seenApps_);
    std::erase_if(seenOrder_, [this](const std::string& app) { return !seenApps_.contains(app); });
}

void AlertDispatch::noteSeenApp(const std::string& appName) {
    if (seenApps_.contains(appName)) {
        return;
    }
    if (seenApps_.size() >= seenAppsCap) {
        if (!seenAppsCapLogged_) {
            seenAppsCapLogged_ = true;
            log_("[observed] " + std::to_string(seenAppsCap) +
                 " apps seen this run - dropping the earliest to make room");
        }
        seenApps_.erase(seenOrder_.front());
        seenOrder_.pop_front();
    }
    seenApps_.insert(appName);
    seenOrder_.push_back(appName);
}

void AlertDispatch::noteSuppressingApp(const std::string& appName) {
    if (std::ranges::find(suppressingApps_, appName) != suppressingApps_.end()) {
        return;
    }
    if (suppressingApps_.size() >= suppressingAppsCap) {
        suppressingApps_.pop_front();
    }
    suppressingApps_.push_back(appName);
}

void AlertDispatch::handle(const ObservedNotification& n) {
    noteSeenApp(n.appName);
    if (n.suppressSound) {
        noteSuppressingApp(n.appName);
    }
    log_("DETECTED #" + std::to_string(parts_.observer.detectedCount()) +
         " app=" + inQuotes(n.appName) + " title=" + inQuotes(n.title) +
         " subtitle=" + inQuotes(n.subtitle) + " body=" + inQuotes(n.body) +
         " kind=" + std::string(rawValue(n.kind)) + " uuid=" + n.uuid);
    dispatch(n);
    parts_.actionRunner.dispatched(n.uuid);
    // A new app's name is saved to its file only now, so the write never delays its sound.
    parts_.observedAppsStore.observe(n.appName);
}

void AlertDispatch::dispatch(const ObservedNotification& n) {
    auto rule = engine().resolve(n);
    alertTrace::stage("dispatch: rule resolved");
    if (!rule) {
        log_("[match] app=" + inQuotes(n.appName) + " \u2192 no matching rule (nothing played)");
        return;
    }

    const SilenceFacts facts = silenceFacts();
    if (facts.focusSilencing) {
        log_("[focus] Focus Filter active - silencing rules that respect Focus");
    }
    // The sound is asked for first, and the other signals wait until it is on its way: the audio
    // server sets up the stream in that moment, and writing the history and redrawing the tray
    // would compete with it for the processor. They wait at most signalsWait, so a silent audio
    // server never holds them back. The gates' lines keep their place after the flashes.
    switch (soundGate(*rule, n, facts)) {
    case SoundGate::focus:
        log_("[focus] suppressed app=" + inQuotes(n.appName) + " - Focus active + rule " +
             inQuotes(rule->appDisplayName) + " respects it (no sound/flash)");
        return;
    case SoundGate::muted:
    case SoundGate::snoozed:
        showSignals(n, *rule);
        log_(!facts.soundsOn ? "[muted] sounds off - skipped app=" + inQuotes(n.appName)
                             : "[snooze] active - skipped app=" + inQuotes(n.appName));
        alertTrace::stage("dispatch: done");
        return;
    case SoundGate::appAsked:
        showSignals(n, *rule);
        log_("[action] app=" + inQuotes(n.appName) + " \u2192 rule " +
             inQuotes(rule->appDisplayName) +
             ": sound skipped - the app asked for no sound (suppress-sound)");
        alertTrace::stage("dispatch: done");
        return;
    case SoundGate::play:
        break;
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
    parts_.actionRunner.run(*rule, n, show);
    alertTrace::stage("dispatch: sound on its way");
    // The wait is set once the sound is asked for, unless the sound has settled already.
    if (std::ranges::find(pendingSignals_, pending) != pendingSignals_.end()) {
        pending->wait = parts_.scheduler.after(signalsWait, show);
    }
}

AlertDispatch::SilenceFacts AlertDispatch::silenceFacts() const {
    SilenceFacts facts;
    facts.focusSilencing = parts_.silence.focusFilterSilencing();
    facts.soundsOn = parts_.prefs.soundsEnabled();
    facts.snoozed = facts.soundsOn && parts_.silence.snoozeActive();
    return facts;
}

AlertDispatch::SoundGate AlertDispatch::soundGate(const Rule& rule,
                                                  const ObservedNotification& notification,
                                                  const SilenceFacts& facts) {
    if (facts.focusSilencing && rule.respectFocus) {
        return SoundGate::focus;
    }
    if (!facts.soundsOn) {
        return SoundGate::muted;
    }
    if (facts.snoozed) {
        return SoundGate::snoozed;
    }
    if (notification.suppressSound && rule.respectSuppressSound) {
        return SoundGate::appAsked;
    }
    return SoundGate::play;
}

void AlertDispatch::showSignals(const ObservedNotification& n, const Rule& rule) {
    std::optional<std::string> preview;
    if (parts_.prefs.pingHistoryIncludePreview()) {
        preview = PingRecord::previewText(n.title, n.subtitle, n.body);
    }
    parts_.pingLogStore.record(n.appName, n.timestamp, preview, n.uuid);
    alertTrace::stage("dispatch: history recorded");
    if (!n.uuid.empty()) {
        recentAlerts_.emplace_back(n.uuid, n.appName);
        if (recentAlerts_.size() > PingLogStore::maxRetained) {
            recentAlerts_.pop_front();
        }
    }

    updateStatus_();
    alertTrace::stage("dispatch: status updated");
    if (rule.flashMenuBar) {
        parts_.status.flashMenuBarIcon(rule.flashColor);
        lastBlinkUuid_ = n.uuid;
    }
    if (rule.flashScreen) {
        if (screenFlash_) {
            screenFlash_->flashScreenOverlay(rule.flashColor, rule.flashStyle, n.appName,
                                             rule.flashIntensity, rule.flashDuration,
                                             rule.flashRepeat);
        }
        lastFlashUuid_ = n.uuid;
    }
    alertTrace::stage("dispatch: signals shown");
}

void AlertDispatch::withdrawAlert(const std::string& uuid) {
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
        parts_.status.endBlink();
        lastBlinkUuid_.clear();
    }
    if (lastFlashUuid_ == uuid) {
        if (screenFlash_) {
            screenFlash_->removeFlashOverlays();
        }
        lastFlashUuid_.clear();
    }
    // The sound has not reached the speakers yet: the audio server's own latency is longer.
    parts_.actionRunner.stopSoundFor(uuid);
    parts_.pingLogStore.withdraw(uuid);
    updateStatus_();
    log_("[refused] app=" + inQuotes(appName) + " uuid=" + uuid +
         " - the notification server refused it; alert withdrawn");
}

} // namespace corvale
