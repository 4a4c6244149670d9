// Latency from a Notify call on the session bus to corvale's DETECTED line, with corvale's CPU
// time and peak memory. Runs everything in a private session: a bus, the test notification server
// and the real corvale binary (debug log on, sounds off so only detection is measured).
//
//   build/bin/corvale_bench_detect [COUNT]      (default 500)
//
// Targets: p99 under 5 ms; CPU near zero while idle.

#include "BenchSupport.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvale::test;
using Clock = std::chrono::steady_clock;

namespace {

// Reads what a file grew by since the last call.
class Tail {
public:
    explicit Tail(std::filesystem::path path) : path_(std::move(path)) {}
    bool waitFor(const std::string& needle, std::chrono::milliseconds timeout) {
        auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            std::ifstream in(path_, std::ios::binary);
            in.seekg(static_cast<std::streamoff>(offset_));
            std::string chunk((std::istreambuf_iterator<char>(in)), {});
            buffer_ += chunk;
            offset_ += chunk.size();
            if (auto at = buffer_.find(needle); at != std::string::npos) {
                buffer_.erase(0, at + needle.size());
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        return false;
    }

private:
    std::filesystem::path path_;
    size_t offset_ = 0;
    std::string buffer_;
};

} // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::stoi(argv[1]) : 500;
    TempDir home;
    PrivateBus bus;
    if (!bus.ready()) {
        std::fprintf(stderr, "no private bus: %s\n", bus.setupError().c_str());
        return 1;
    }
    corvale::bench::makeRuntimeDir(home.path());
    writeFile(home / "config" / "Corvale" / "preferences.json", "{\"soundsEnabled\": false}");

    auto server = bus.start(
        {"/usr/bin/python3", std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py"});
    waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications").has_value(); },
              std::chrono::seconds(15));
    auto env = bus.clientEnvironment();
    env["HOME"] = home.path().string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_RUNTIME_DIR"] = (home / "run").string();
    env["CORVALE_DEBUG_LOG"] = "1";
    env["DISPLAY"] = std::nullopt;
    ChildProcess corvale({CORVALE_BINARY}, env, home / "out");
    // ChildProcess names its output file itself; find it.
    std::filesystem::path outFile;
    waitUntil(
        [&] {
            for (auto& entry : std::filesystem::directory_iterator(home / "out")) {
                if (entry.path().extension() == ".out") {
                    outFile = entry.path();
                }
            }
            return !outFile.empty();
        },
        std::chrono::seconds(5));
    Tail tail(outFile);
    if (!tail.waitFor("[attach] OK", std::chrono::seconds(15))) {
        std::fprintf(stderr, "corvale did not attach:\n%s\n", corvale.output().c_str());
        return 1;
    }

    sd_bus* client = nullptr;
    if (sd_bus_open_user(&client) < 0) {
        std::fprintf(stderr, "cannot connect to the private bus\n");
        return 1;
    }

    std::vector<double> latencies;
    double cpuBefore = corvale::bench::cpuSeconds(corvale.pid());
    auto started = Clock::now();
    for (int i = 1; i <= count; ++i) {
        const auto sent =
            corvale::bench::sendNotify(client, "Bench", "Message " + std::to_string(i), "body");
        if (!tail.waitFor("DETECTED #" + std::to_string(i) + " ", std::chrono::seconds(10))) {
            std::fprintf(stderr, "notification %d was not detected\n", i);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        while (sd_bus_process(client, nullptr) > 0) {
        }
        // Spaced like real notifications, not a flood.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    double busyCpu = corvale::bench::cpuSeconds(corvale.pid()) - cpuBefore;
    double busyWall = std::chrono::duration<double>(Clock::now() - started).count();

    double idleBefore = corvale::bench::cpuSeconds(corvale.pid());
    std::this_thread::sleep_for(std::chrono::seconds(10));
    double idleCpu = corvale::bench::cpuSeconds(corvale.pid()) - idleBefore;

    std::printf("notifications: %d\n", count);
    std::printf("Notify -> DETECTED latency: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                corvale::bench::percentile(latencies, 50),
                corvale::bench::percentile(latencies, 99),
                *std::max_element(latencies.begin(), latencies.end()));
    std::printf("corvale CPU while notified: %.3f s over %.1f s (%.2f ms per notification)\n",
                busyCpu, busyWall, 1000.0 * busyCpu / count);
    std::printf("corvale CPU while idle: %.3f s over 10 s (%.2f %%)\n", idleCpu, idleCpu * 10.0);
    std::printf("corvale peak RSS: %ld KiB, RSS now: %ld KiB\n",
                corvale::bench::statusField(corvale.pid(), "VmHWM"),
                corvale::bench::statusField(corvale.pid(), "VmRSS"));
    sd_bus_unref(client);
    return 0;
}
