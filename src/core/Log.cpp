#include "core/Log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace corvale {
namespace {

bool logEnabled = false;
std::string logPath;

} // namespace

namespace debuglog {

bool switchFromEnvironment(const char* value) {
    return value != nullptr && std::string_view(value) == "1";
}

void configure(bool enabled, std::string filePath) {
    logEnabled = enabled;
    logPath = std::move(filePath);
}

bool enabled() {
    return logEnabled;
}

const std::string& filePath() {
    return logPath;
}

void startFresh() {
    if (!logEnabled || logPath.empty()) {
        return;
    }
    std::error_code ec;
    std::filesystem::path path(logPath);
    std::filesystem::create_directories(path.parent_path(), ec);
    auto temp = path;
    temp += ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
    }
}

std::string formatLine(std::string_view message, long long epochMillis) {
    std::time_t seconds = static_cast<std::time_t>(epochMillis / 1000);
    int millis = static_cast<int>(epochMillis % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, millis);
    std::string line = stamp;
    line += "  ";
    line.reserve(line.size() + message.size() + 1);
    // Messages carry text from any program on the desktop; a raw line break would forge log lines.
    for (char c : message) {
        if (c == '\r') {
            line += "\\r";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    line += '\n';
    return line;
}

} // namespace debuglog

void logLine(std::string_view message) {
    if (!logEnabled) {
        return;
    }
    auto now = std::chrono::system_clock::now();
    auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::string line = debuglog::formatLine(message, millis);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    // Append only to a file that exists: a log deleted while running is not recreated.
    if (std::FILE* file = std::fopen(logPath.c_str(), "r+b")) {
        std::fseek(file, 0, SEEK_END);
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

} // namespace corvale
