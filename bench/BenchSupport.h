#pragma once

// Helpers the end-to-end benchmarks share.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>
#include <vector>

namespace corvale::bench {

// Sends one Notify call as a notifying app does: asking for the reply that carries the
// notification's id, by which the server later reports it closed. Returns the moment the call was
// handed to the bus.
inline std::chrono::steady_clock::time_point sendNotify(sd_bus* client, const std::string& app,
                                                        const std::string& summary,
                                                        const std::string& body,
                                                        int timeoutMs = 2000) {
    sd_bus_message* call = nullptr;
    sd_bus_message_new_method_call(client, &call, "org.freedesktop.Notifications",
                                   "/org/freedesktop/Notifications",
                                   "org.freedesktop.Notifications", "Notify");
    sd_bus_message_append(call, "susss", app.c_str(), 0u, "", summary.c_str(), body.c_str());
    sd_bus_message_append(call, "as", 0);
    sd_bus_message_append(call, "a{sv}", 0);
    sd_bus_message_append(call, "i", timeoutMs);
    std::uint64_t cookie = 0;
    const auto sent = std::chrono::steady_clock::now();
    sd_bus_send(client, call, &cookie);
    sd_bus_flush(client);
    sd_bus_message_unref(call);
    return sent;
}

// The value below which p percent of the samples lie.
inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t index = std::min(values.size() - 1,
                            static_cast<size_t>(p / 100.0 * static_cast<double>(values.size())));
    return values[index];
}

// A private XDG_RUNTIME_DIR inside a benchmark's home, readable by its owner only, as the XDG rules
// require.
inline std::filesystem::path makeRuntimeDir(const std::filesystem::path& home) {
    auto run = home / "run";
    std::filesystem::create_directories(run);
    chmod(run.c_str(), 0700);
    return run;
}

// The CPU seconds (user + system) a process has used.
inline double cpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    auto fields = text.substr(text.rfind(')') + 2);
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= fields.size(); ++i) {
        if (i == fields.size() || fields[i] == ' ') {
            parts.push_back(fields.substr(start, i - start));
            start = i + 1;
        }
    }
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
    return (std::stod(parts[11]) + std::stod(parts[12])) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A number field of /proc/PID/status ("VmRSS" and "VmHWM" in KiB, "Threads"), or -1.
inline long statusField(int pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stol(line.substr(key.size() + 1));
        }
    }
    return -1;
}

} // namespace corvale::bench
