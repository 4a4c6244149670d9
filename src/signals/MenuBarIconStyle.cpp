#include "signals/MenuBarIconStyle.h"

namespace corvale {

const std::vector<MenuBarIconStyle>& MenuBarIconStyle::all() {
    static const std::vector<MenuBarIconStyle> styles = {
        {"bell", "Bell", "bell", "bell.slash"},
        {"bellBadge", "Bell \u00B7 Badge", "bell.badge", "bell.badge.slash"},
        {"bellRinging", "Bell \u00B7 Ringing", "bell.and.waves.left.and.right", "bell.slash"},
        {"speaker", "Speaker", "speaker.wave.2", "speaker.slash"},
        {"waveform", "Waveform", "waveform", "waveform.slash"},
        {"wave", "Wave", "waveform.path", "waveform.slash"},
        {"mic", "Microphone", "mic", "mic.slash"},
        {"eye", "Eye", "eye", "eye.slash"},
        {"antenna", "Antenna", "antenna.radiowaves.left.and.right",
         "antenna.radiowaves.left.and.right.slash"},
        {"music", "Music Note", "music.note", "music.note.slash"},
    };
    return styles;
}

const MenuBarIconStyle& MenuBarIconStyle::forKey(const std::optional<std::string>& key) {
    const auto& styles = all();
    const std::string wanted = key.value_or(defaultKey);
    for (const auto& style : styles) {
        if (style.key == wanted) {
            return style;
        }
    }
    return styles.front();
}

} // namespace corvale
