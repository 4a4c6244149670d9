#pragma once

#include "core/Rule.h"
#include "library/CustomSound.h"
#include "platform/Dialogs.h"

#include <string>
#include <vector>

// The words of the Recent Alerts, My Sounds, Popular apps, Fix Double-Sound, App Detection and
// About panes, kept out of the views so that what the user reads is decided and tested here.
// Worded for the Linux desktop: notification access, the notification server, your desktop's
// settings.
namespace corvale::InfoPaneTexts {

// Recent Alerts.
inline constexpr const char* recentAlertsIntro =
    "Corvale logs the alerts it shows you here, newest first, so a screen flash you glanced away "
    "from is easy to catch up on. Everything stays on this computer.";
inline constexpr const char* options = "Options";
inline constexpr const char* includePreview = "Include message preview";
inline constexpr const char* includePreviewNote =
    "Also save a short snippet of each notification\u2019s text. Off by default - only the app "
    "name and time are saved. Applies to alerts from now on; existing entries are unchanged.";
inline constexpr const char* history = "History";
inline constexpr const char* historyEmpty =
    "No alerts recorded yet. When a notification you\u2019ve set a sound or flash for arrives, it "
    "shows up here - so you can see which app pinged you and when.";
inline constexpr const char* clearHistory = "Clear History";
inline constexpr const char* clearHistoryNote =
    "Remove every recorded alert. This can\u2019t be undone.";
// The dashboard's own question, word for word.
AlertSpec clearHistoryAlert();

// My Sounds.
inline constexpr const char* mySounds = "My Sounds";
inline constexpr const char* soundsEmpty =
    "No saved sounds yet. Clip a song or choose a file from an app\u2019s Sound menu - it\u2019ll "
    "appear here so you can reuse it for any app.";
inline constexpr const char* preview = "Preview";
inline constexpr const char* rename = "Rename\u2026";
inline constexpr const char* deleteSound = "Delete";
PromptSpec renameSoundPrompt(const CustomSound& sound);
// "Used by Mail, Slack", each app once, or that no app plays it.
std::string soundUsage(const CustomSound& sound, const std::vector<Rule>& rules);
// Names the apps whose rules still play the sound's file (each app once), in which case the file
// stays on disk; otherwise says that the file goes too.
// `fileIsOurs`: the file lies in Corvale's Sounds folder, so removing the sound deletes it.
AlertSpec deleteSoundAlert(const CustomSound& sound, const std::vector<Rule>& rules,
                           bool fileIsOurs);

// Popular apps.
inline constexpr const char* presetsIntro =
    "Set up a popular app in one click - each gets its OWN distinctive sound, so you can tell "
    "which app pinged you without looking. You can fine-tune any of them afterward in its editor.";
inline constexpr const char* popularApps = "Popular apps";
inline constexpr const char* add = "Add";
inline constexpr const char* added = "\u2713 Added";
std::string presetPlays(const std::string& soundName);

// Fix Double-Sound.
inline constexpr const char* fixDoubleSound = "Fix double sound";
inline constexpr const char* fixDoubleSoundIntro =
    "Your notification server or the app itself plays its own notification sound, and Corvale "
    "plays your chosen sound on top - so you\u2019d hear both. To hear only Corvale\u2019s sound:";
const std::vector<std::string>& fixDoubleSoundSteps();
inline constexpr const char* desktopSettings = "Your Desktop\u2019s Settings";
inline constexpr const char* notifications = "Notifications:";
inline constexpr const char* openNotificationSettings = "Open Notification Settings";
inline constexpr const char* soundSwitchNote =
    "Where GNOME and KDE Plasma keep each app\u2019s notification sound switch.";
inline constexpr const char* appNotListed = "App not in your desktop\u2019s settings?";
inline constexpr const char* appNotListedText =
    "Some apps play their own sound, or are not listed there at all. Give such an app the Silent "
    "sound in Corvale instead - its flash and Recent Alerts keep working, and you hear only its "
    "own sound.";
inline constexpr const char* stillDoublePlay = "Apps that still double-play";
// Opens an app's editor from the setup panes' lists.
inline constexpr const char* openApp = "Open\u2026";
std::string openAppHelp(const std::string& app);
inline constexpr const char* noDoublePlay =
    "None - no app plays its own sound and Corvale\u2019s together.";
// Apps seen telling the notification server they play their own sound.
inline constexpr const char* playsOwnSound = "Apps that play their own sound";
std::string playsOwnSoundNote(const std::string& app);

// App Detection.
inline constexpr const char* appDetection = "App detection";
inline constexpr const char* detectionIntro =
    "Corvale plays your sounds by watching the notifications Linux delivers. If an app never "
    "posts a real notification, Corvale can\u2019t react - so your sound stays silent with no "
    "error.";
const std::vector<std::string>& detectionSteps();
inline constexpr const char* allowNotificationsNote =
    "Where GNOME and KDE Plasma let each app show notifications.";
inline constexpr const char* notDetectedYet = "Apps not detected yet";
inline constexpr const char* allDetected =
    "None - Corvale has heard from every app you set a sound or flash for.";

// Help.
inline constexpr const char* helpIntro =
    "A quick tour of everything Corvale can do. Each feature is set up on its own tab - these "
    "cards are the highlights.";

// About.
inline constexpr const char* version = "Version:";
inline constexpr const char* tagline =
    "Per-app notification sounds for Linux - give each app its own sound, volume, and alerts.";
inline constexpr const char* softwareUpdate = "Software Update";
inline constexpr const char* checkForUpdates = "Check for Updates\u2026";
inline constexpr const char* updatesNote = "Corvale updates with your distribution's packages.";
inline constexpr const char* support = "Support";
inline constexpr const char* somethingWrong = "Something Wrong?";
inline constexpr const char* reportBug = "Report a Bug\u2026";
inline constexpr const char* needHelp = "Need Help?";
inline constexpr const char* emailSupport = "Email Support\u2026";
inline constexpr const char* supportNote =
    "Report a Bug attaches your app version, Linux version, and notification access status so "
    "we can help faster - nothing else.";
inline constexpr const char* links = "Links:";
inline constexpr const char* website = "Website";
inline constexpr const char* privacyPolicy = "Privacy Policy";
inline constexpr const char* privacy = "Privacy";
inline constexpr const char* privacyText =
    "100% local. Corvale reads notifications on-device to play your sounds; nothing is ever sent "
    "off your computer.";

} // namespace corvale::InfoPaneTexts
