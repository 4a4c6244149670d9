// Idle cost of the running program with its tray icon shown: CPU over a quiet period and memory,
// in a private session (a bus, the test notification server, an X server with a tray host).
//
//   build/bin/corvale_bench_tray_idle [SECONDS]      (default 60)
//
// Targets: idle CPU under 0.1 %, RSS under 60 MB.

#include "BenchSupport.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvale::test;

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::stoi(argv[1]) : 60;
    TempDir home;
    PrivateDisplay display;
    PrivateBus bus;
    if (!display.ready() || !bus.ready()) {
        std::fprintf(stderr, "no private session: %s%s\n", display.setupError().c_str(),
                     bus.setupError().c_str());
        return 1;
    }
    auto tray = display.start({"trayer", "--edge", "top", "--align", "right", "--widthtype",
                               "request", "--height", "24"});
    corvale::bench::makeRuntimeDir(home.path());
    auto server = bus.start(
        {"/usr/bin/python3", std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py"});
    waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications").has_value(); },
              std::chrono::seconds(15));

    auto env = bus.clientEnvironment();
    for (const auto& [key, value] : display.clientEnvironment()) {
        env[key] = value;
    }
    env["HOME"] = home.path().string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_RUNTIME_DIR"] = (home / "run").string();
    // The start-up lines on standard output tell when the program is up.
    env["CORVALE_DEBUG_LOG"] = "1";
    ChildProcess corvale({CORVALE_BINARY}, env, home / "out");
    if (!waitUntil(
            [&] {
                return corvale.errors().find("[start]") != std::string::npos ||
                       corvale.output().find("[start]") != std::string::npos;
            },
            std::chrono::seconds(20))) {
        std::fprintf(stderr, "corvale did not start:\n%s%s\n", corvale.output().c_str(),
                     corvale.errors().c_str());
        return 1;
    }
    // Let start-up work (store loads, the first status draws) settle before measuring.
    std::this_thread::sleep_for(std::chrono::seconds(3));

    double before = corvale::bench::cpuSeconds(corvale.pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double used = corvale::bench::cpuSeconds(corvale.pid()) - before;
    std::printf("corvale idle CPU with the tray icon shown: %.3f s over %d s (%.3f %%, target < "
                "0.1 %%)\n",
                used, seconds, 100.0 * used / seconds);
    std::printf("corvale RSS: %.1f MB (peak %.1f MB; target < 60 MB)\n",
                corvale::bench::statusField(corvale.pid(), "VmRSS") / 1024.0,
                corvale::bench::statusField(corvale.pid(), "VmHWM") / 1024.0);
    return 0;
}
