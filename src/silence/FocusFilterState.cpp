#include "silence/FocusFilterState.h"

#include "core/SettingsPrefs.h"

namespace corvale {

std::string FocusFilterState::broadcastObject(bool silence) {
    return silence ? "1" : "0";
}

bool FocusFilterState::apply(bool silence, Preferences& defaults, Broadcast& broadcast) {
    defaults.set(prefkeys::focusFilterSilencing, silence);
    return broadcast.post(broadcasts::focusFilterChanged, broadcastObject(silence));
}

bool FocusFilterState::decodeBroadcast(const std::optional<std::string>& object) {
    return object && *object == "1";
}

} // namespace corvale
