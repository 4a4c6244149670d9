#include "core/SettingsPrefs.h"

namespace corvale {

namespace k = prefkeys;

bool SettingsPrefs::soundsEnabled() const {
    return store_.boolValue(k::soundsEnabled).value_or(true);
}

void SettingsPrefs::setSoundsEnabled(bool on) {
    store_.set(k::soundsEnabled, on);
    center_.post(notes::statusItemNeedsRefresh);
}

std::optional<std::string> SettingsPrefs::menuBarIconStyleKey() const {
    return store_.textValue(k::menuBarIconStyle);
}

void SettingsPrefs::setMenuBarIconStyleKey(const std::string& key) {
    store_.set(k::menuBarIconStyle, key);
    center_.post(notes::statusItemNeedsRefresh);
}

AccentTheme SettingsPrefs::accentTheme() const {
    return AccentTheme::fromStoredText(store_.textValue(k::accentTheme).value_or("brand"));
}

void SettingsPrefs::setAccentTheme(const AccentTheme& theme) {
    store_.set(k::accentTheme, theme.storedText());
    center_.post(notes::themeAccentChanged);
}

bool SettingsPrefs::sidebarIconsUseAccent() const {
    return store_.boolValue(k::sidebarIconsUseAccent).value_or(false);
}

void SettingsPrefs::setSidebarIconsUseAccent(bool on) {
    store_.set(k::sidebarIconsUseAccent, on);
    center_.post(notes::sidebarIconStyleChanged);
}

namespace {
bool allowedSnoozeMinutes(std::int64_t m) {
    return m == 15 || m == 30 || m == 60 || m == 120;
}
} // namespace

int SettingsPrefs::snoozeDurationMinutes() const {
    auto stored = store_.integerValue(k::snoozeDurationMinutes);
    return stored && allowedSnoozeMinutes(*stored) ? static_cast<int>(*stored) : 30;
}

void SettingsPrefs::setSnoozeDurationMinutes(int minutes) {
    store_.set(k::snoozeDurationMinutes,
               std::int64_t{allowedSnoozeMinutes(minutes) ? minutes : 30});
}

std::optional<TimePoint> SettingsPrefs::time(const char* key) const {
    auto seconds = store_.doubleValue(key);
    if (!seconds || !(*seconds > 0)) {
        return std::nullopt;
    }
    return timePointFromSeconds(*seconds);
}

void SettingsPrefs::setTime(const char* key, std::optional<TimePoint> value) {
    if (value) {
        store_.set(key, secondsSince1970(*value));
    } else {
        store_.remove(key);
    }
}

std::optional<TimePoint> SettingsPrefs::snoozeDeadline() const {
    return time(k::snoozeDeadline);
}

void SettingsPrefs::setSnoozeDeadline(std::optional<TimePoint> deadline) {
    setTime(k::snoozeDeadline, deadline);
}

std::optional<HotKeyCombo> SettingsPrefs::combo(const char* codeKey,
                                                const char* modifiersKey) const {
    return HotKeyCombo::fromStored(store_.integerValue(codeKey), store_.integerValue(modifiersKey));
}

void SettingsPrefs::setCombo(const char* codeKey, const char* modifiersKey,
                             std::optional<HotKeyCombo> combo) {
    const auto stored = HotKeyCombo::stored(combo);
    store_.set(codeKey, stored.keyCode);
    store_.set(modifiersKey, stored.modifiers);
    center_.post(notes::hotKeyChanged);
}

std::optional<HotKeyCombo> SettingsPrefs::muteHotKeyCombo() const {
    return combo(k::muteHotKeyCode, k::muteHotKeyModifiers);
}

void SettingsPrefs::setMuteHotKeyCombo(std::optional<HotKeyCombo> c) {
    setCombo(k::muteHotKeyCode, k::muteHotKeyModifiers, c);
}

std::optional<HotKeyCombo> SettingsPrefs::snoozeHotKeyCombo() const {
    return combo(k::snoozeHotKeyCode, k::snoozeHotKeyModifiers);
}

void SettingsPrefs::setSnoozeHotKeyCombo(std::optional<HotKeyCombo> c) {
    setCombo(k::snoozeHotKeyCode, k::snoozeHotKeyModifiers, c);
}

FlashIntensity SettingsPrefs::flashIntensity() const {
    auto text = store_.textValue(k::flashIntensity);
    return text ? flashIntensityFromRaw(*text).value_or(FlashIntensity::normal)
                : FlashIntensity::normal;
}

void SettingsPrefs::setFlashIntensity(FlashIntensity intensity) {
    store_.set(k::flashIntensity, std::string(rawValue(intensity)));
}

FlashDuration SettingsPrefs::flashDuration() const {
    auto text = store_.textValue(k::flashDuration);
    return text ? flashDurationFromRaw(*text).value_or(FlashDuration::normal)
                : FlashDuration::normal;
}

void SettingsPrefs::setFlashDuration(FlashDuration duration) {
    store_.set(k::flashDuration, std::string(rawValue(duration)));
}

int SettingsPrefs::flashRepeat() const {
    auto stored = store_.integerValue(k::flashRepeat);
    return stored && *stored >= 1 && *stored <= 3 ? static_cast<int>(*stored) : 1;
}

void SettingsPrefs::setFlashRepeat(int count) {
    store_.set(k::flashRepeat, std::int64_t{count >= 1 && count <= 3 ? count : 1});
}

bool SettingsPrefs::pingHistoryIncludePreview() const {
    return store_.boolValue(k::pingHistoryIncludePreview).value_or(false);
}

void SettingsPrefs::setPingHistoryIncludePreview(bool on) {
    store_.set(k::pingHistoryIncludePreview, on);
}

std::optional<TimePoint> SettingsPrefs::pingHistorySeenThrough() const {
    return time(k::pingHistorySeenThrough);
}

void SettingsPrefs::setPingHistorySeenThrough(std::optional<TimePoint> mark) {
    setTime(k::pingHistorySeenThrough, mark);
}

bool SettingsPrefs::followDesktopDoNotDisturb() const {
    return store_.boolValue(k::followDesktopDoNotDisturb).value_or(true);
}

void SettingsPrefs::setFollowDesktopDoNotDisturb(bool on) {
    store_.set(k::followDesktopDoNotDisturb, on);
}

std::optional<std::string> SettingsPrefs::settingsWindowFrame() const {
    return store_.textValue(k::settingsWindowFrame);
}

void SettingsPrefs::setSettingsWindowFrame(const std::string& text) {
    store_.set(k::settingsWindowFrame, text);
}

} // namespace corvale
