#pragma once

#include "core/Broadcast.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "silence/FocusFilterState.h"

#include <string>

namespace corvale {

// The Focus filter: on Linux the desktop runs it as "corvale focus on|off" (or the program follows
// the desktop's do-not-disturb); either way it only stores and broadcasts its one value.
struct CorvaleFocusFilter {
    static constexpr const char* title = "Silence Corvale sounds";
    static constexpr const char* silenceParameterTitle = "Silence Corvale sounds";
    // The identity of its lines in the system log.
    static constexpr const char* logSubsystem = "com.talvo.corvale";
    static constexpr const char* logCategory = "focusfilter";

    // "Corvale: silenced" or "Corvale: active".
    static std::string displayRepresentation(bool silence);
    // The system log's line for a run of the filter.
    static std::string performMessage(bool silence);

    // Logs the run to the system log, then stores and broadcasts the value. It never fails: a
    // value that reached no running program still applies at its next launch. Answers whether the
    // broadcast was sent, for the command line's report.
    static bool perform(bool silence, Preferences& defaults, Broadcast& broadcast,
                        const LogFn& systemLog,
                        FocusFilterState::Source source = FocusFilterState::Source::user);
};

} // namespace corvale
