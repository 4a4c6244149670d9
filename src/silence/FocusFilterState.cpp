#include "silence/FocusFilterState.h"

#include "core/SettingsPrefs.h"

namespace corvale {

std::string FocusFilterState::broadcastObject(bool silence) {
    return silence ? "1" : "0";
}

bool FocusFilterState::apply(bool silence, Preferences& defaults, Broadcast& broadcast,
                             Source source) {
    if (silence && source == Source::desktop) {
        defaults.set(prefkeys::focusFilterSilencedBy, std::string(desktopSource));
    } else if (defaults.has(prefkeys::focusFilterSilencedBy)) {
        // Only when present: every removal is a write of the preferences file.
        defaults.remove(prefkeys::focusFilterSilencedBy);
    }
    defaults.set(prefkeys::focusFilterSilencing, silence);
    return broadcast.post(broadcasts::focusFilterChanged, broadcastObject(silence));
}

bool FocusFilterState::silencedByDesktop(Preferences& defaults) {
    return defaults.textValue(prefkeys::focusFilterSilencedBy) == desktopSource;
}

bool FocusFilterState::decodeBroadcast(const std::optional<std::string>& object) {
    return object && *object == "1";
}

} // namespace corvale
