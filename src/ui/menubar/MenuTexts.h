#pragma once

#include <string>

namespace corvale {

// The words of the dashboard and the quick menu, kept out of the views so that every text the
// user reads is decided (and tested) in one place. Worded for the Linux desktop: the permission
// is notification access and alerts come from the notification server.
namespace MenuTexts {

inline constexpr const char* productName = "Corvale";
// The popups' window titles, for window lists and screen readers.
inline constexpr const char* dashboardTitle = "Corvale dashboard";
inline constexpr const char* quickMenuTitle = "Corvale quick menu";
inline constexpr const char* openSettingsHelp = "Open Corvale Settings";

inline constexpr const char* liveBadge = "LIVE";
inline constexpr const char* actionNeededBadge = "ACTION NEEDED";
std::string badge(bool trusted);
std::string engineLine(bool trusted);
inline constexpr const char* restoreAccess = "Restore Notification Access";
inline constexpr const char* restoreAccessHelp =
    "Ask the session bus again to let Corvale watch notifications";
// Said under the button after a try that did not bring access back.
inline constexpr const char* restoreAccessFailed =
    "Still no access: the session bus refused again. Restart Corvale from your desktop session.";

inline constexpr const char* playSounds = "Play sounds";
std::string playSoundsHelp(bool soundsEnabled);
inline constexpr const char* quickPlaySoundsHelp = "Turn all custom notification sounds on or off";

// "<n> app(s) may play two sounds" and "<n> app(s) not detected".
std::string doubleSoundNotice(int count);
inline constexpr const char* doubleSoundHelp =
    "Open the guided checklist for preventing double sounds";
inline constexpr const char* fix = "Fix";
inline constexpr const char* open = "Open";
std::string undetectedNotice(int count);
inline constexpr const char* undetectedHelp =
    "Open App Detection to troubleshoot apps Corvale has not seen";

inline constexpr const char* signalView = "Signal view";
inline constexpr const char* alertsLens = "Alerts";
inline constexpr const char* soundsLens = "Sounds";
inline constexpr const char* signalViewHelp =
    "Switch between recent alerts and per-app sound routing";
inline constexpr const char* clearAllHelp = "Clear recent alerts after confirmation";
inline constexpr const char* historyHelp = "Open the complete alert history";

std::string repeatPill(int count);
std::string repeatPillHelp(int count);
std::string openAppHelp(const std::string& app);
std::string doubleSoundWarning(const std::string& app);
std::string clearAppAlerts(const std::string& app);
inline constexpr const char* alertsEmpty =
    "Alerts you receive show up here, so you can catch one you missed.";

inline constexpr const char* defaultRow = "Default";
std::string editAppHelp(const std::string& app);
std::string notDetectedWarning(const std::string& app);
inline constexpr const char* soundsEmpty =
    "Add an app to give its notifications a distinct signal.";

inline constexpr const char* addApp = "Add App";
inline constexpr const char* addAppHelp =
    "Choose an app and give its notifications a distinct sound";
inline constexpr const char* quitHelp = "Quit Corvale and stop watching notifications";

std::string snoozeTitle(bool snoozed, int snoozeMinutes);
inline constexpr const char* snoozeHelp =
    "Silence sounds for a set time, then resume automatically";
inline constexpr const char* settings = "Settings";
inline constexpr const char* checkForUpdates = "Check for Updates\u2026";
inline constexpr const char* checkForUpdatesHelp = "Check for a newer version of Corvale";
inline constexpr const char* quit = "Quit Corvale";

// The data files: a save that failed (which file, why) and files set aside as unreadable.
std::string saveProblem(const std::string& file, const std::string& why);
// An empty backup: the file could not be moved either.
std::string storeSetAside(const std::string& file, const std::string& backup);
inline constexpr const char* dismiss = "Dismiss";

inline constexpr const char* clearAllTitle = "Clear all recent alerts?";
inline constexpr const char* clearAllText =
    "This erases Corvale's local record of which apps notified you. It won't change any sounds, "
    "rules, or notification settings.";
inline constexpr const char* clear = "Clear";
inline constexpr const char* cancel = "Cancel";

} // namespace MenuTexts
} // namespace corvale
