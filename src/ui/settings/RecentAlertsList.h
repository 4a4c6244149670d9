#pragma once

#include "core/Scheduler.h"
#include "history/PingRecord.h"

#include <string>
#include <vector>

namespace corvale {

// The history as the Recent Alerts pane lists it: newest first by time; alerts of the same moment
// with the later-recorded first. (The log keeps recording order, which a clock set back can make
// differ from the order in time.)
std::vector<PingRecord> newestFirst(const std::vector<PingRecord>& records);

// The label of an alert's time in the history: the time alone (short style) when it falls on
// today's date, else the medium-style date with the short-style time. `localeName` and `timeZone`
// (ICU identifiers) default to the user's own.
std::string alertTimeLabel(TimePoint when, TimePoint now, const std::string& localeName = {},
                           const std::string& timeZone = {});

} // namespace corvale
