#pragma once

#include "core/Log.h"

#include <string>
#include <vector>

namespace corvale::test {

// Collects the lines a component logs, for assertions.
struct LogRecorder {
    std::vector<std::string> lines;

    LogFn fn() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
    bool contains(const std::string& needle) const {
        for (const auto& line : lines) {
            if (line.find(needle) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    size_t count(const std::string& needle) const {
        size_t n = 0;
        for (const auto& line : lines) {
            n += line.find(needle) != std::string::npos ? 1 : 0;
        }
        return n;
    }
};

} // namespace corvale::test
