#include "core/AlertTrace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvale::alertTrace {

bool enabled() {
    static const bool on = [] {
        const char* value = std::getenv("CORVALE_TRACE_AUDIO");
        return value && std::strcmp(value, "1") == 0;
    }();
    return on;
}

void writeStage(std::string_view stage) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    // One write per line, so lines of several threads never interleave.
    std::fprintf(stderr, "corvale-trace %lld %.*s\n", static_cast<long long>(micros),
                 static_cast<int>(stage.size()), stage.data());
}

} // namespace corvale::alertTrace
