#include "ui/settings/HelpCatalog.h"

#include <utility>

namespace corvale {

const std::vector<HelpTopic>& HelpCatalog::topics() {
    static const std::vector<HelpTopic> tour{
        {"sounds", "bell.fill", "A Sound for Every App",
         "Hear which app is pinging you - give each one its own sound.",
         "Set a default under \u201CAll other apps,\u201D then add an app and switch on Custom "
         "sound to give it its own. Pick the sound and volume on its tab.",
         "Corvale can\u2019t see notifications yet: the session bus hasn\u2019t let it watch "
         "them. Choose Restore Notification Access in the dashboard, or quit Corvale and start it "
         "again from your desktop session."},
        {"rules", "line.3.horizontal.decrease.circle", "Rules & Exceptions",
         "One app, many sounds - a special tone only when it matters.",
         "Give an app a base sound, then add rules that match a keyword in the title or body. A "
         "mention of your name can sound different from everything else.",
         std::nullopt},
        {"flash", "eye.fill", "See It, Don\u2019t Just Hear It",
         "A colored screen flash names the app that pinged - no sound needed.",
         "Flash the whole screen or just the edges you choose, in each app\u2019s own color, with "
         "its name shown. Tune the brightness, length, and repeats in General \u25B8 Screen "
         "Flash.",
         std::nullopt},
        {"recent-alerts", "clock.arrow.circlepath", "Never Miss One",
         "Looked away? Recent Alerts keeps a list of what pinged you.",
         "The tray icon shows an unread count. Open it to see recent alerts, click one to open "
         "that app, or clear the list - all kept on your computer.",
         std::nullopt},
        {"louder", "speaker.wave.3.fill", "Louder When It Matters",
         "Boost a quiet alert up to 200% so it always cuts through.",
         "Turn a critical app\u2019s volume past 100% on its tab, while routine ones stay soft.",
         std::nullopt},
        {"clip", "waveform", "Clip a Sound from a Song",
         "Turn a few seconds of any song into a notification sound.",
         "Pick an app under Apps (or add one via Popular apps) and turn on \u201CCustom "
         "sound\u201D to activate its controls. Open the Sound dropdown, choose \u201CClip from a "
         "song\u2026\u201D at the bottom, then trim, preview, and save. Every clip is saved under "
         "Sounds \u25B8 My Sounds to reuse for any app.",
         std::nullopt},
        // The apps named are presets this build really has.
        {"presets", "sparkles", "Quick Setup",
         "Set up popular apps in one click, each with a fitting sound.",
         "Open Apps \u25B8 Popular apps to add Slack, Discord, Thunderbird, and more instantly. "
         "Corvale also ships 24 built-in tones - pick one in any sound menu and press Test to "
         "hear it.",
         std::nullopt},
        {"control", "bell.slash.fill", "Mute, Snooze & Shortcuts",
         "Silence everything fast - for a moment or a set time.",
         "Set a hotkey to mute all sounds, or snooze for a while and auto-resume. Mute, snooze, "
         "and resume also work from the command line.",
         std::nullopt},
        // Linux has no Focus filters: the same silence comes from the desktop's do-not-disturb
        // and from the command line.
        {"focus", "moon.fill", "Quiet During Focus", "Let Corvale go quiet when you do.",
         "Turn on your desktop\u2019s do-not-disturb, or run \u201Ccorvale focus on,\u201D and "
         "sounds and flashes pause - they come right back when do-not-disturb ends or after "
         "\u201Ccorvale focus off.\u201D",
         std::nullopt},
        {"double-sound", "wrench.and.screwdriver", "Fix Double Sound",
         "Hearing it twice? Stop the app\u2019s own sound so only Corvale plays.",
         "Open Setup \u25B8 Fix Double-Sound to mute the app in your desktop\u2019s settings. If "
         "it isn\u2019t listed there, set its Corvale sound to Silent instead.",
         std::nullopt},
        {"detection", "bell.badge", "App Detection",
         "Set a sound but never hear it? See which apps Corvale has heard from.",
         "Check Setup \u25B8 App Detection. Usually the app\u2019s notifications are off, or "
         "don\u2019t show a banner Corvale can see.",
         std::nullopt},
        {"startup", "power", "Launch at Login",
         "Start Corvale automatically so your sounds are always on.",
         "Turn on Launch at login under General \u25B8 Startup. It\u2019s a tray app - no dock or "
         "taskbar entry.",
         std::nullopt},
        {"permissions", "lock.shield", "Permissions & Privacy",
         "Why Corvale needs notification access - and what it never does.",
         "Notification access lets it read the notifications your desktop shows, so it can play "
         "your sounds. It never posts notifications, reads your screen, or sends anything off "
         "your computer.",
         std::nullopt},
    };
    return tour;
}

FlashColor helpTileColor(std::string_view topicId) {
    // One hue per card, spread around the wheel so neighbours never look alike.
    static const std::pair<std::string_view, const char*> colors[] = {
        {"sounds", "#0EA5B7"},        {"rules", "#7C3AED"},     {"flash", "#E11D48"},
        {"recent-alerts", "#2563EB"}, {"louder", "#EA580C"},    {"clip", "#DB2777"},
        {"presets", "#CA8A04"},       {"control", "#4B5563"},   {"focus", "#4F46E5"},
        {"double-sound", "#0D9488"},  {"detection", "#D97706"}, {"startup", "#16A34A"},
        {"permissions", "#0369A1"},
    };
    for (const auto& [id, hex] : colors) {
        if (id == topicId) {
            return FlashColor::fromHex(hex);
        }
    }
    return FlashColor::fromHex("#6B7280");
}

} // namespace corvale
