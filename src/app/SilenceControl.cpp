#include "app/SilenceControl.h"

#include "core/Log.h"
#include "silence/CorvaleFocusFilter.h"
#include "silence/Snooze.h"

#include <algorithm>

namespace corvale {

SilenceControl::SilenceControl(Services services, SettingsPrefs& prefs, LogFn log,
                               std::function<void()> statusChanged)
    : services_(std::move(services)), prefs_(prefs), log_(std::move(log)),
      statusChanged_(std::move(statusChanged)),
      focusFilterSilencing_(
          services_.preferences.boolValue(prefkeys::focusFilterSilencing).value_or(false)) {}

bool SilenceControl::snoozeActive() const {
    return Snooze::isActive(snoozeDeadline_, services_.scheduler.now());
}

void SilenceControl::setSnooze(std::optional<TimePoint> deadline) {
    snoozeTimer_.reset();
    snoozeDeadline_ = deadline;
    prefs_.setSnoozeDeadline(deadline);
    if (deadline) {
        auto wait =
            std::max(Millis(0), std::chrono::ceil<Millis>(*deadline - services_.scheduler.now()));
        // The timer is this object's own, so it cannot fire after it is gone.
        snoozeTimer_ = services_.scheduler.after(wait, [this] {
            setSnooze(std::nullopt);
            log_("[snooze] expired - sounds resume");
        });
    }
    statusChanged_();
}

// Silence starts at once: a sound already playing stops too.
void SilenceControl::stopSounds(const std::string& why) {
    if (services_.stopSounds) {
        services_.stopSounds(why);
    }
}

void SilenceControl::beginSnooze() {
    int minutes = prefs_.snoozeDurationMinutes();
    setSnooze(services_.scheduler.now() + std::chrono::minutes(minutes));
    log_("[snooze] began - " + std::to_string(minutes) + " min (sounds silenced until deadline)");
    stopSounds("snoozed");
}

void SilenceControl::snoozeHotKeyFired() {
    if (snoozeActive()) {
        setSnooze(std::nullopt);
        log_("[snooze] cancelled - sounds resume");
    } else {
        beginSnooze();
    }
}

void SilenceControl::restoreSnoozeIfNeeded() {
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

void SilenceControl::applySoundCommand(const SoundCommand& command) {
    switch (command.kind()) {
    case SoundCommand::Kind::mute:
        if (prefs_.soundsEnabled()) {
            prefs_.setSoundsEnabled(false);
        }
        log_("[intent] mute \u2192 play-sounds = false");
        stopSounds("muted");
        statusChanged_();
        return;
    case SoundCommand::Kind::unmute:
        if (!prefs_.soundsEnabled()) {
            prefs_.setSoundsEnabled(true);
        }
        log_("[intent] unmute \u2192 play-sounds = true");
        statusChanged_();
        return;
    case SoundCommand::Kind::snooze: {
        int minutes = Snooze::clampMinutes(command.minutes());
        setSnooze(services_.scheduler.now() + std::chrono::minutes(minutes));
        log_("[intent] snooze " + std::to_string(minutes) + " min");
        stopSounds("snoozed");
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

void SilenceControl::toggleSoundsFromHotKey() {
    bool enabled = !prefs_.soundsEnabled();
    prefs_.setSoundsEnabled(enabled);
    log_(std::string("[hotkey] mute-all fired \u2192 play-sounds = ") + boolText(enabled));
    if (!enabled) {
        stopSounds("muted");
    }
    statusChanged_();
}

void SilenceControl::applyFocusFilter(bool silence) {
    focusFilterSilencing_ = silence;
    log_(std::string("[focus-filter] silence=") + boolText(silence) + " (Focus Filter perform)");
    statusChanged_();
}

void SilenceControl::desktopDoNotDisturbChanged(bool on, bool initial) {
    if (!prefs_.followDesktopDoNotDisturb()) {
        return;
    }
    using Source = FocusFilterState::Source;
    const bool desktopSilence = FocusFilterState::silencedByDesktop(services_.preferences);
    // A launch with do-not-disturb off must not undo a "corvale focus on" the user saved, but a
    // silence the desktop set ends with the desktop's do-not-disturb, also while we were away.
    if (initial && !on && !(focusFilterSilencing_ && desktopSilence)) {
        return;
    }
    // Do-not-disturb on over the user's own silence leaves it the user's.
    const Source source =
        on && focusFilterSilencing_ && !desktopSilence ? Source::user : Source::desktop;
    bool sent = CorvaleFocusFilter::perform(on, services_.preferences, services_.broadcast,
                                            services_.systemLog, source);
    if (!sent) {
        applyFocusFilter(on); // no bus to bring the broadcast back to us
    }
}

} // namespace corvale
