#pragma once

#include "core/Broadcast.h"
#include "core/Preferences.h"

#include <optional>
#include <string>

namespace corvale {

// Carries the Focus filter's value to the running program: the preference is what a later launch
// reads, the broadcast is what a running program acts on.
struct FocusFilterState {
    // The broadcast's object: "1" for silence, "0" otherwise.
    static std::string broadcastObject(bool silence);
    // Writes "focusFilterSilencing", then broadcasts the value; false when the broadcast could
    // not be sent (the preference is written all the same).
    static bool apply(bool silence, Preferences& defaults, Broadcast& broadcast);
    // Only the exact text "1" silences; anything else, and no object, does not.
    static bool decodeBroadcast(const std::optional<std::string>& object);
};

} // namespace corvale
