#pragma once

#include "core/AccentTheme.h"
#include "core/FlashValues.h"
#include "core/HotKeyCombo.h"
#include "core/NotificationCenter.h"
#include "core/Preferences.h"
#include "core/Scheduler.h"

#include <optional>
#include <string>

namespace corvale {

namespace prefkeys {
inline constexpr const char* soundsEnabled = "soundsEnabled";
inline constexpr const char* menuBarIconStyle = "menuBarIconStyle";
inline constexpr const char* accentTheme = "accentTheme";
inline constexpr const char* sidebarIconsUseAccent = "sidebarIconsUseAccent";
inline constexpr const char* snoozeDurationMinutes = "snoozeDurationMinutes";
inline constexpr const char* snoozeDeadline = "snoozeDeadline";
inline constexpr const char* muteHotKeyCode = "muteHotKeyCode";
inline constexpr const char* muteHotKeyModifiers = "muteHotKeyModifiers";
inline constexpr const char* snoozeHotKeyCode = "snoozeHotKeyCode";
inline constexpr const char* snoozeHotKeyModifiers = "snoozeHotKeyModifiers";
inline constexpr const char* flashIntensity = "flashIntensity";
inline constexpr const char* flashDuration = "flashDuration";
inline constexpr const char* flashRepeat = "flashRepeat";
inline constexpr const char* pingHistoryIncludePreview = "pingHistoryIncludePreview";
inline constexpr const char* pingHistorySeenThrough = "pingHistorySeenThrough";
inline constexpr const char* focusFilterSilencing = "focusFilterSilencing";
// "desktop" while the silence above was set by the desktop's do-not-disturb; absent (files from
// before it was kept, or the user's own "corvale focus on") means the user's.
inline constexpr const char* focusFilterSilencedBy = "focusFilterSilencedBy";
inline constexpr const char* popoverLens = "popoverLens";
inline constexpr const char* followDesktopDoNotDisturb = "followDesktopDoNotDisturb";
inline constexpr const char* settingsWindowFrame = "CorvaleSettingsWindow";
} // namespace prefkeys

// Typed access to the user's preferences: absent or ill-typed values read as their defaults, values
// outside their allowed set are coerced, and writes that others react to post their notification.
class SettingsPrefs {
public:
    SettingsPrefs(Preferences& store, NotificationCenter& center)
        : store_(store), center_(center) {}

    bool soundsEnabled() const;
    void setSoundsEnabled(bool on);

    // The stored style key as it stands; MenuBarIconStyle::forKey decides what it shows.
    std::optional<std::string> menuBarIconStyleKey() const;
    void setMenuBarIconStyleKey(const std::string& key);

    AccentTheme accentTheme() const;
    void setAccentTheme(const AccentTheme& theme);

    bool sidebarIconsUseAccent() const;
    void setSidebarIconsUseAccent(bool on);

    int snoozeDurationMinutes() const;
    void setSnoozeDurationMinutes(int minutes);

    std::optional<TimePoint> snoozeDeadline() const;
    void setSnoozeDeadline(std::optional<TimePoint> deadline);

    std::optional<HotKeyCombo> muteHotKeyCombo() const;
    void setMuteHotKeyCombo(std::optional<HotKeyCombo> combo);
    std::optional<HotKeyCombo> snoozeHotKeyCombo() const;
    void setSnoozeHotKeyCombo(std::optional<HotKeyCombo> combo);

    FlashIntensity flashIntensity() const;
    void setFlashIntensity(FlashIntensity intensity);
    FlashDuration flashDuration() const;
    void setFlashDuration(FlashDuration duration);
    int flashRepeat() const;
    void setFlashRepeat(int count);

    bool pingHistoryIncludePreview() const;
    void setPingHistoryIncludePreview(bool on);

    std::optional<TimePoint> pingHistorySeenThrough() const;
    void setPingHistorySeenThrough(std::optional<TimePoint> mark);

    // Whether the desktop's do-not-disturb runs the Focus filter.
    bool followDesktopDoNotDisturb() const;
    void setFollowDesktopDoNotDisturb(bool on);

    // The settings window's remembered frame, as SettingsWindowFrame writes it.
    std::optional<std::string> settingsWindowFrame() const;
    void setSettingsWindowFrame(const std::string& text);

private:
    std::optional<HotKeyCombo> combo(const char* codeKey, const char* modifiersKey) const;
    void setCombo(const char* codeKey, const char* modifiersKey, std::optional<HotKeyCombo> combo);
    std::optional<TimePoint> time(const char* key) const;
    void setTime(const char* key, std::optional<TimePoint> value);

    Preferences& store_;
    NotificationCenter& center_;
};

} // namespace corvale
