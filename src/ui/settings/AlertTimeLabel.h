#pragma once

#include "core/Scheduler.h"

#include <string>

namespace corvale {

// The label of an alert's time in the history: the time alone (short style) when it falls on
// today's date, else the medium-style date with the short-style time. `localeName` and `timeZone`
// (ICU identifiers) default to the user's own.
std::string alertTimeLabel(TimePoint when, TimePoint now, const std::string& localeName = {},
                           const std::string& timeZone = {});

} // namespace corvale
