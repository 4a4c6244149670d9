#include "core/Log.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unicode/utf8.h>

namespace corvale {
namespace {

bool logEnabled = false;
std::string logPath;
// Opened once the file is made fresh and kept: opening the file for every line costs each
// alert a good part of its time on the main thread. Lines come from more than one thread.
std::mutex fileMutex;
std::FILE* logFile = nullptr;

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
        return;
    }
    const std::lock_guard guard(fileMutex);
    if (logFile) {
        std::fclose(logFile);
    }
    logFile = std::fopen(logPath.c_str(), "ab");
}

std::string plainText(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    std::string out;
    out.reserve(text.size());
    auto escapeByte = [&](const char* prefix, uint8_t byte, const char* suffix) {
        out += prefix;
        out += hex[byte >> 4];
        out += hex[byte & 0xF];
        out += suffix;
    };
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0) {
            // A stray byte of 0x80..0x9F is a C1 control to some terminals; none passes raw.
            for (int32_t b = start; b < i; ++b) {
                escapeByte("\\x", bytes[b], "");
            }
        } else if (c < 0x20 || c == 0x7F) {
            escapeByte("\\x", static_cast<uint8_t>(c), "");
        } else if (c >= 0x80 && c <= 0x9F) {
            escapeByte("\\u{", static_cast<uint8_t>(c), "}");
        } else {
            out.append(text.data() + start, static_cast<size_t>(i - start));
        }
    }
    return out;
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
    line += plainText(message);
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
    // A log deleted while running is not recreated: the lines go to the file that was removed.
    const std::lock_guard guard(fileMutex);
    if (logFile) {
        std::fwrite(line.data(), 1, line.size(), logFile);
        std::fflush(logFile);
    }
}

} // namespace corvale
