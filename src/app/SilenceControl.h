#pragma once

#include "core/Broadcast.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/Scheduler.h"
#include "core/SettingsPrefs.h"
#include "core/Subscription.h"
#include "silence/SoundCommand.h"

#include <functional>
#include <optional>

namespace corvale {

// The application object's silence: the play-sounds switch as the commands and the mute shortcut
// turn it, the snooze and its deadline across restarts, and the Focus filter (the user's own
// `corvale focus`, and the desktop's do-not-disturb).
class SilenceControl {
public:
    struct Services {
        Scheduler& scheduler;
        Preferences& preferences;
        Broadcast& broadcast;
        // The system log (the journal), where the Focus filter records its runs.
        LogFn systemLog;
        // Silences the sounds playing now; the text says why.
        std::function<void(const std::string& why)> stopSounds;
    };

    // `statusChanged` redraws the status item after each change it shows.
    SilenceControl(Services services, SettingsPrefs& prefs, LogFn log,
                   std::function<void()> statusChanged);
    SilenceControl(const SilenceControl&) = delete;
    SilenceControl& operator=(const SilenceControl&) = delete;

    void setSnooze(std::optional<TimePoint> deadline);
    void beginSnooze();
    void snoozeHotKeyFired();
    void restoreSnoozeIfNeeded();
    void applySoundCommand(const SoundCommand& command);
    void toggleSoundsFromHotKey();
    // The Focus filter's value as a broadcast brings it.
    void applyFocusFilter(bool silence);
    // The desktop's do-not-disturb: each change runs the Focus filter; at start-up only "on" does.
    void desktopDoNotDisturbChanged(bool on, bool initial);

    bool snoozeActive() const;
    bool focusFilterSilencing() const { return focusFilterSilencing_; }
    std::optional<TimePoint> snoozeDeadline() const { return snoozeDeadline_; }

private:
    void stopSounds(const std::string& why);

    Services services_;
    SettingsPrefs& prefs_;
    LogFn log_;
    std::function<void()> statusChanged_;
    bool focusFilterSilencing_ = false;
    std::optional<TimePoint> snoozeDeadline_;
    Subscription snoozeTimer_;
};

} // namespace corvale
