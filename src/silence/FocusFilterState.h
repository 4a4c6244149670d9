#pragma once

#include "core/Broadcast.h"
#include "core/Preferences.h"

#include <optional>
#include <string>

namespace corvale {

// Carries the Focus filter's value to the running program: the preference is what a later launch
// reads, the broadcast is what a running program acts on.
struct FocusFilterState {
    // Who turned the silence on: a start-up follows the desktop's present state only for the
    // silence the desktop set.
    enum class Source { user, desktop };
    static constexpr const char* desktopSource = "desktop";

    // The broadcast's object: "1" for silence, "0" otherwise.
    static std::string broadcastObject(bool silence);
    // Writes "focusFilterSilencing" and who set it, then broadcasts the value; false when the
    // broadcast could not be sent (the preferences are written all the same).
    static bool apply(bool silence, Preferences& defaults, Broadcast& broadcast,
                      Source source = Source::user);
    // Whether the stored silence is the desktop's.
    static bool silencedByDesktop(Preferences& defaults);
    // Only the exact text "1" silences; anything else, and no object, does not.
    static bool decodeBroadcast(const std::optional<std::string>& object);
};

} // namespace corvale
