// Latency from a Notify call on the session bus to the screen flash's overlay window being mapped
// on the X server, with the real corvale binary in a private session: a bus, the test
// notification server, Xvfb and xcompmgr. A rule flashes the whole screen for every notification;
// sounds are off. Notifications are sent 0.6 s apart, after the previous flash has ended.
//
//   build/bin/corvale_bench_flash [COUNT]      (default 40)
//
// Target: p50 under 20 ms.

#include "BenchSupport.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <systemd/sd-bus.h>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

using namespace corvale::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* rules = R"({"version": 1, "rules": [{
  "id": "0F8FAD5B-D9CB-469F-A165-70867728950E", "appBundleId": "Bench", "appDisplayName": "Bench",
  "enabled": true, "sound": {"type": "silent"}, "volume": 1.0, "flashMenuBar": false,
  "flashScreen": true, "flashStyle": "fullScreen", "flashColor": {"r": 0.9, "g": 0.2, "b": 0.2},
  "flashIntensity": "normal", "flashDuration": "brief", "respectFocus": false,
  "nativeSoundMuted": false}]})";

// Waits for the next override-redirect window to be mapped; false on timeout.
bool waitForOverlayMap(xcb_connection_t* x, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
            std::free(event);
            if (mapped) {
                return true;
            }
        }
        pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
        poll(&fd, 1, 1);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::stoi(argv[1]) : 40;
    TempDir home;
    PrivateBus bus;
    PrivateDisplay display;
    if (!bus.ready() || !display.ready()) {
        std::fprintf(stderr, "no private session: %s %s\n", bus.setupError().c_str(),
                     display.setupError().c_str());
        return 1;
    }
    auto compositor = display.start({"xcompmgr"});
    waitUntil(
        [&] {
            return display.run({"xdotool", "search", "--name", "xcompmgr"}).exitCode == 0;
        },
        std::chrono::seconds(10));
    corvale::bench::makeRuntimeDir(home.path());
    writeFile(home / "config" / "Corvale" / "preferences.json", "{\"soundsEnabled\": false}");
    writeFile(home / "data" / "Corvale" / "rules.json", rules);

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
    env["DISPLAY"] = display.name();
    env["WAYLAND_DISPLAY"] = std::nullopt;
    ChildProcess corvale({CORVALE_BINARY}, env, home / "out");
    if (!waitUntil([&] { return corvale.output().find("[attach] OK") != std::string::npos; },
                   std::chrono::seconds(20))) {
        std::fprintf(stderr, "corvale did not attach:\n%s\n", corvale.output().c_str());
        return 1;
    }

    xcb_connection_t* x = xcb_connect(display.name().c_str(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    sd_bus* client = nullptr;
    if (sd_bus_open_user(&client) < 0) {
        std::fprintf(stderr, "cannot connect to the private bus\n");
        return 1;
    }
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 1; i <= count; ++i) {
        const auto sent =
            corvale::bench::sendNotify(client, "Bench", "Flash " + std::to_string(i), "");
        if (waitForOverlayMap(x, std::chrono::seconds(2))) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        } else {
            ++missed;
        }
        // Past the flash's 0.33 s, so every notification maps a fresh window.
        std::this_thread::sleep_until(sent + std::chrono::milliseconds(600));
        while (sd_bus_process(client, nullptr) > 0) {
        }
    }
    sd_bus_unref(client);
    xcb_disconnect(x);
    if (latencies.empty()) {
        std::fprintf(stderr, "no overlay was mapped:\n%s\n", corvale.output().c_str());
        return 1;
    }
    std::printf("notify -> overlay mapped: n=%zu missed=%d p50=%.2f ms p95=%.2f ms max=%.2f ms "
                "(target p50 < 20 ms)\n",
                latencies.size(), missed, corvale::bench::percentile(latencies, 50),
                corvale::bench::percentile(latencies, 95),
                corvale::bench::percentile(latencies, 100));
    return 0;
}
