// A long run under a steady stream of alerts with sound, to catch what grows: the running program's
// memory, its open files and its threads, and the number of sounds it plays at once. In a private
// session (a bus, the test notification server, an X server with a compositing manager so the
// screen flash draws, PulseAudio with a null sink), notifications for four apps arrive at a fixed
// rate; each app's rule plays one of our tones (the longest among them, so that sounds overlap and
// the limit on simultaneous sounds is reached), blinks the tray icon and flashes the screen.
//
//   build/bin/corvale_bench_soak [SECONDS] [PER_SECOND]      (defaults 600 and 5)
//
// Targets: RSS flat within 5 MB after the first minute, no growth in open file descriptors or
// threads (counted when no sound plays, before and after), never more than 8 of corvale's streams
// at once.

#include "BenchSupport.h"
#include "SinkInputWatch.h"
#include "core/Rule.h"
#include "core/linux/InstallPaths.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/PrivatePulse.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <systemd/sd-bus.h>
#include <thread>
#include <vector>

using namespace corvale;
using namespace corvale::test;
using SteadyClock = std::chrono::steady_clock;

namespace {

struct Sample {
    double at = 0; // seconds since the first notification
    long rssKiB = 0;
    int fds = 0;
    int threads = 0;
};

int openFiles(int pid) {
    int count = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        ++count;
    }
    return count;
}

void notify(sd_bus* client, const std::string& app, int i) {
    bench::sendNotify(client, app, "Soak " + std::to_string(i), "A <b>body</b> with &amp; markup");
}

// The tones by length, longest first (all are 16-bit mono at 48 kHz, so size orders them).
std::vector<std::string> tonesByLength(const std::filesystem::path& folder) {
    std::vector<std::pair<std::uintmax_t, std::string>> tones;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".wav") {
            tones.emplace_back(entry.file_size(), entry.path().stem().string());
        }
    }
    std::sort(tones.rbegin(), tones.rend());
    std::vector<std::string> names;
    for (const auto& tone : tones) {
        names.push_back(tone.second);
    }
    return names;
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(70, std::stoi(argv[1])) : 600;
    const int perSecond = argc > 2 ? std::clamp(std::stoi(argv[2]), 1, 50) : 5;
    TempDir home;
    PrivateBus bus;
    PrivatePulse pulse;
    PrivateDisplay display;
    if (!bus.ready() || !pulse.ready() || !display.ready()) {
        std::fprintf(stderr, "no private session: %s%s%s\n", bus.setupError().c_str(),
                     pulse.setupError().c_str(), display.setupError().c_str());
        return 1;
    }
    bench::makeRuntimeDir(home.path());
    auto compositor = display.start({"xcompmgr"});

    const auto tones = tonesByLength(installedDataFolder() / "sounds");
    if (tones.size() < 4) {
        std::fprintf(stderr, "fewer than four tones installed\n");
        return 1;
    }
    const std::vector<std::string> apps{"SoakChat", "SoakMail", "SoakBuild", "SoakCalendar"};
    nlohmann::json rules = nlohmann::json::array();
    for (size_t i = 0; i < apps.size(); ++i) {
        Rule rule;
        rule.id = Uuid::random();
        rule.appBundleId = "org.example." + apps[i];
        rule.appDisplayName = apps[i];
        rule.sound = SoundRef::builtin(tones[i]);
        rule.volume = 1.0;
        rule.flashMenuBar = true;
        rule.flashScreen = true;
        rules.push_back(toJson(rule));
    }
    std::filesystem::create_directories(home / "data" / "Corvale");
    writeFile(home / "data" / "Corvale" / "rules.json",
              nlohmann::json{{"rules", rules}, {"version", 1}}.dump());

    auto env = bus.clientEnvironment();
    for (const auto& part : {pulse.clientEnvironment(), display.clientEnvironment()}) {
        for (const auto& [name, value] : part) {
            env[name] = value;
        }
    }
    env["HOME"] = home.path().string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_RUNTIME_DIR"] = (home / "run").string();
    auto server = bus.start(
        {"/usr/bin/python3", std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py"});
    if (!waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications").has_value(); },
                   std::chrono::seconds(15))) {
        std::fprintf(stderr, "the notification server did not start\n");
        return 1;
    }
    env["CORVALE_DEBUG_LOG"] = "1";
    ChildProcess corvale({CORVALE_BINARY}, env, home / "out");
    if (!waitUntil([&] { return corvale.output().find("[attach] OK") != std::string::npos; },
                   std::chrono::seconds(20))) {
        std::fprintf(stderr, "corvale did not attach:\n%s%s\n", corvale.output().c_str(),
                     corvale.errors().c_str());
        return 1;
    }

    ScopedEnvironment pulseEnvironment;
    for (const auto& [name, value] : pulse.clientEnvironment()) {
        pulseEnvironment.set(name, value);
    }
    // Only the streams created from now on are counted, so never the silent keep-alive one.
    bench::SinkInputWatch streams(false);
    if (!streams.waitSubscribed(std::chrono::seconds(10))) {
        std::fprintf(stderr, "cannot follow the audio server's streams\n");
        return 1;
    }
    sd_bus* client = nullptr;
    if (sd_bus_open_user(&client) < 0) {
        std::fprintf(stderr, "cannot connect to the private bus\n");
        return 1;
    }

    // What the program holds when no sound plays, once every kind of alert has run at least once
    // (the audio connection, the overlay windows and the decoder threads start on first use).
    struct Quiet {
        int fds = 0;
        int threads = 0;
    };
    auto quietState = [&] {
        waitUntil([&] { return streams.open() == 0; }, std::chrono::seconds(15));
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return Quiet{openFiles(corvale.pid()),
                     static_cast<int>(bench::statusField(corvale.pid(), "Threads"))};
    };
    for (int i = 0; i < 8; ++i) {
        notify(client, apps[static_cast<size_t>(i) % apps.size()], -i);
        while (sd_bus_process(client, nullptr) > 0) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const Quiet before = quietState();

    std::printf("soak: %d s at %d notifications per second; tones %s, %s, %s, %s\n", seconds,
                perSecond, tones[0].c_str(), tones[1].c_str(), tones[2].c_str(), tones[3].c_str());
    std::fflush(stdout);
    std::vector<Sample> samples;
    const auto start = SteadyClock::now();
    const auto interval = std::chrono::microseconds(1'000'000 / perSecond);
    auto nextSample = start;
    int sent = 0;
    for (auto due = start; due < start + std::chrono::seconds(seconds); due += interval) {
        std::this_thread::sleep_until(due);
        notify(client, apps[static_cast<size_t>(sent) % apps.size()], sent);
        ++sent;
        // Replies are read and dropped, so the client's queue never grows.
        while (sd_bus_process(client, nullptr) > 0) {
        }
        if (SteadyClock::now() >= nextSample) {
            const double at = std::chrono::duration<double>(SteadyClock::now() - start).count();
            samples.push_back({at, bench::statusField(corvale.pid(), "VmRSS"),
                               openFiles(corvale.pid()),
                               static_cast<int>(bench::statusField(corvale.pid(), "Threads"))});
            nextSample += std::chrono::seconds(5);
            if (samples.size() % 12 == 1) {
                std::printf("  %4.0f s: RSS %.1f MB, %d open files, %d threads, %d streams open\n",
                            at, samples.back().rssKiB / 1024.0, samples.back().fds,
                            samples.back().threads, streams.open());
                std::fflush(stdout);
            }
        }
        if (!corvale.running()) {
            std::fprintf(stderr, "corvale ended during the soak:\n%s\n", corvale.errors().c_str());
            return 1;
        }
    }
    const Quiet after = quietState();
    sd_bus_unref(client);

    std::vector<Sample> settled;
    for (const auto& sample : samples) {
        if (sample.at >= 60) {
            settled.push_back(sample);
        }
    }
    auto range = [&](auto field) {
        long low = field(settled.front());
        long high = low;
        for (const auto& sample : settled) {
            low = std::min(low, field(sample));
            high = std::max(high, field(sample));
        }
        return std::pair(low, high);
    };
    const auto rss = range([](const Sample& s) { return s.rssKiB; });
    const std::string log = corvale.output();
    const size_t played = countOf(log, "(engine)");
    const size_t skipped = countOf(log, "sounds already playing - skipped");

    const bool rssFlat = (rss.second - rss.first) <= 5 * 1024;
    const bool fdsFlat = after.fds <= before.fds;
    const bool threadsFlat = after.threads <= before.threads;
    const bool streamsBounded = streams.largest() <= 8;
    std::printf("notifications sent: %d; sounds played: %zu; skipped at the limit: %zu; streams "
                "created: %d\n",
                sent, played, skipped, streams.created());
    std::printf("RSS after the first minute: %.1f–%.1f MB (spread %.1f MB, target ≤ 5 MB)  %s\n",
                rss.first / 1024.0, rss.second / 1024.0, (rss.second - rss.first) / 1024.0,
                rssFlat ? "ok" : "FAIL");
    std::printf("open files with no sound playing: %d before, %d after  %s\n", before.fds,
                after.fds, fdsFlat ? "ok" : "FAIL");
    std::printf("threads with no sound playing: %d before, %d after  %s\n", before.threads,
                after.threads, threadsFlat ? "ok" : "FAIL");
    std::printf("most streams of corvale open at once: %d (target ≤ 8)  %s\n", streams.largest(),
                streamsBounded ? "ok" : "FAIL");
    return rssFlat && fdsFlat && threadsFlat && streamsBounded ? 0 : 2;
}
