#pragma once

#include <string_view>

namespace corvale {

// Timestamps of an alert's way from the bus to the audio server, for finding where its time goes.
// Off unless CORVALE_TRACE_AUDIO=1; then each stage writes one line to standard error:
// "corvale-trace <monotonic microseconds> <stage>". The clock is the system's monotonic one, so
// lines of several processes (a benchmark, the audio server's clients) can be merged by time.
namespace alertTrace {

bool enabled();
void writeStage(std::string_view stage);

// Cheap enough to leave on every alert's path: one test of a flag read once.
inline void stage(std::string_view name) {
    if (enabled()) {
        writeStage(name);
    }
}

} // namespace alertTrace
} // namespace corvale
