#pragma once

#include "core/Rule.h"

#include <string>
#include <vector>

namespace corvale {

// Finds apps that would sound twice: their own notification sound plus the rule's.
struct Onboarding {
    // `appRules` are the rules of one app. False when its base rule says the app's own sound is
    // off; otherwise true when any of its enabled rules plays a sound.
    static bool appNeedsNativeMute(const std::vector<Rule>& appRules);
    // Display names (first rule's spelling per name key) of every app that needs it, sorted for
    // display.
    static std::vector<std::string> appsNeedingNativeMute(const std::vector<Rule>& rules);
};

} // namespace corvale
