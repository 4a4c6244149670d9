// How soon an alert is heard, and what it costs the main thread. In a session as users have it
// (private bus, dunst as the notification server drawing its bubbles on a private Xvfb display,
// PulseAudio with a null sink, the real corvale binary), for the default rule's sound (Submarine)
// and for the longest of our tones, it times:
//   1. each Notify call on the bus → the new sink-input of corvale's sound, as the audio server
//      reports it to a client in this process (SinkInputWatch.h);
//   2. side by side, the common recipe: a dunst rule whose `script` runs `paplay <tone>`, timed
//      the same way from the Notify call;
//   3. in this process, ActionRunner::run with the real engine and named-sound player: → the
//      engine's first pa_stream_write (seen through the linker's --wrap), → the new sink-input,
//      and the main thread's time per alert: run() itself plus every event the alert later costs
//      the Qt event loop (start result, completion, timers);
//   4. twenty alerts in a row against an audio server that accepts the connection and never
//      answers: the main thread's total time for all of them, and its longest single stall;
//   5. the floor: the same Notify → new sink-input for corvale_bench_floor_monitor, a bare bus
//      monitor that opens a stream with a buffer decoded at its start (FloorMonitor.cpp), run
//      alone in the same session, half before corvale starts and half after it ended, so a
//      change of the machine's load during the run weighs on both alike.
// Alerts are spaced so that each sound has ended before the next one starts.
//
//   build/bin/corvale_bench_sound [COUNT] [--floor] [--second-monitor] [--beside]   (default 100)
//
// --floor times only corvale's default sound against the floor (steps 1 and 5), for repeated
// runs of the ratio. --second-monitor runs a second monitor of Notify calls beside the floor
// (dbus-monitor writing pcap to a file), as corvale has one beside its banner tree: what the bus
// and the processor's two cores charge for that one alone. --beside also times the floor while
// corvale runs and watches its notifications under a silent default rule: how fast a bare
// monitor's sound is in the session corvale makes, to set corvale's own sound against.
//
// With CORVALE_TRACE_AUDIO=1 the benchmark, the corvale binary and the in-process engine write
// the timestamps of every stage of each alert to standard error (see core/AlertTrace.h); sort
// them by time to see where an alert's time goes. Corvale runs without its debug log, as users run
// it; CORVALE_BENCH_DEBUG_LOG=1 turns the log on to see what it did.
//
// Targets: Notify → corvale's stream p50 ≤ 2.0 ms, p95 ≤ 3.5 ms, at least 10 times faster than
// dunst + paplay; main-thread time per alert p50 ≤ 0.3 ms; the hung server's 20 alerts < 5 ms;
// corvale's default sound p50 ≤ 1.15 × the floor's p50 and p95 ≤ 1.6 × the floor's p95 on a quiet
// machine (the load average is printed beside the figures).

#include "BenchSupport.h"
#include "SinkInputWatch.h"
#include "core/AlertTrace.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"
#include "core/linux/InstallPaths.h"
#include "core/linux/QtScheduler.h"
#include "signals/ActionRunner.h"
#include "signals/CachingAudioDecoder.h"
#include "signals/SoundLibrary.h"
#include "signals/linux/CanberraSoundPlayer.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "support/ChildProcess.h"
#include "support/HeldRelay.h"
#include "support/PrivateBus.h"
#include "support/PrivateDisplay.h"
#include "support/PrivatePulse.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <nlohmann/json.hpp>
#include <pulse/stream.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <systemd/sd-bus.h>
#include <thread>
#include <vector>

using namespace corvale;
using namespace corvale::test;
using SteadyClock = std::chrono::steady_clock;

namespace {

// One plain notification from the app "Bench".
ObservedNotification benchNotification(const std::string& uuid) {
    ObservedNotification n;
    n.uuid = uuid;
    n.appName = "Bench";
    n.title = "Alert";
    n.body = "body";
    n.kind = ObservedNotification::Kind::single;
    return n;
}

double millis(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A stage seen by the benchmark, at the time it happened, in the form of the program's own trace.
void traceAt(SteadyClock::time_point at, const std::string& stage) {
    if (alertTrace::enabled()) {
        std::fprintf(stderr, "corvale-trace %lld %s\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                at.time_since_epoch())
                                                .count()),
                     stage.c_str());
    }
}

void report(const std::string& what, const std::vector<double>& values) {
    if (values.empty()) {
        std::printf("%-52s no samples\n", what.c_str());
        return;
    }
    std::printf("%-52s p50 %7.3f ms   p95 %7.3f ms   max %7.3f ms   (n=%zu)\n", what.c_str(),
                bench::percentile(values, 50), bench::percentile(values, 95),
                *std::max_element(values.begin(), values.end()), values.size());
}

// The moment the engine first hands audio to the server: the benchmark is linked with
// --wrap=pa_stream_write, so the engine's writes pass through here.
std::atomic<SteadyClock::time_point> firstWrite{};

std::string outputOf(const std::filesystem::path& folder) {
    std::string text;
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".out") {
            text += readFile(entry.path());
        }
    }
    return text;
}

} // namespace

extern "C" {
int __real_pa_stream_write(pa_stream* stream, const void* data, size_t bytes, pa_free_cb_t release,
                           int64_t offset, pa_seek_mode_t seek);
int __wrap_pa_stream_write(pa_stream* stream, const void* data, size_t bytes, pa_free_cb_t release,
                           int64_t offset, pa_seek_mode_t seek) {
    const int result = __real_pa_stream_write(stream, data, bytes, release, offset, seek);
    auto none = SteadyClock::time_point{};
    firstWrite.compare_exchange_strong(none, SteadyClock::now());
    return result;
}
}

namespace {

// CPU time of the calling thread, in milliseconds.
double threadCpuMillis() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The application object that times every event the main thread handles, so that what an alert
// costs the main thread after run() returns (results, completions, timers) is counted too.
class TimedApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        const auto start = SteadyClock::now();
        const double cpuStart = threadCpuMillis();
        const bool handled = QCoreApplication::notify(receiver, event);
        const double took = millis(SteadyClock::now() - start);
        busy += took;
        cpu += threadCpuMillis() - cpuStart;
        longest = std::max(longest, took);
        return handled;
    }

    double busy = 0;    // ms spent in events since the last reset, by the clock
    double cpu = 0;     // the same in CPU time: what other programs' load does not inflate
    double longest = 0; // the longest single event since the last reset
    void reset() {
        busy = 0;
        cpu = 0;
        longest = 0;
    }
};

// Sends one Notify call for app and returns when it was sent.
SteadyClock::time_point notify(sd_bus* client, const std::string& app, int i) {
    const auto sent = bench::sendNotify(client, app, "Alert " + std::to_string(i), "body", 1000);
    traceAt(sent, "bench: Notify sent for " + app);
    return sent;
}

Rule ruleFor(const std::string& app, SoundRef sound) {
    Rule rule;
    rule.id = Uuid::random();
    rule.appBundleId = app == Rule::defaultAppKey ? app : "org.example." + app;
    rule.appDisplayName = app == Rule::defaultAppKey ? "Default" : app;
    rule.sound = std::move(sound);
    rule.volume = 1.0;
    return rule;
}

// The longest of our tones, by the size of its file (all are 16-bit mono at 48 kHz).
std::string longestTone(const std::filesystem::path& folder) {
    std::string name;
    std::uintmax_t largest = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".wav" && entry.file_size() > largest) {
            largest = entry.file_size();
            name = entry.path().stem().string();
        }
    }
    return name;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const std::vector<std::string> flags(argv + std::min(argc, 2), argv + argc);
    const bool floorOnly = std::ranges::find(flags, "--floor") != flags.end();
    const bool secondMonitor = std::ranges::find(flags, "--second-monitor") != flags.end();
    const bool beside = std::ranges::find(flags, "--beside") != flags.end();
    TimedApplication app(argc, argv);
    TempDir home;
    PrivateBus bus;
    if (!bus.ready()) {
        std::fprintf(stderr, "no private bus: %s\n", bus.setupError().c_str());
        return 1;
    }
    PrivatePulse pulse;
    if (!pulse.ready()) {
        std::fprintf(stderr, "no private PulseAudio: %s\n", pulse.setupError().c_str());
        return 1;
    }
    PrivateDisplay display;
    if (!display.ready()) {
        std::fprintf(stderr, "no private display: %s\n", display.setupError().c_str());
        return 1;
    }
    bench::makeRuntimeDir(home.path());

    const auto toneFolder = installedDataFolder() / "sounds";
    const std::vector<std::string> tones{"Submarine", longestTone(toneFolder)};
    auto toneFile = [&](const std::string& tone) { return toneFolder / (tone + ".wav"); };

    // Corvale plays for the apps "Corvale<tone>"; dunst's rules play for "Paplay<tone>"; the
    // default rule is silent so that each alert makes exactly one sound.
    nlohmann::json rules = nlohmann::json::array();
    std::string dunstrc = "[global]\n    font = Monospace 8\n    geometry = \"300x5-30+20\"\n";
    for (const auto& tone : tones) {
        rules.push_back(toJson(ruleFor("Corvale" + tone, SoundRef::builtin(tone))));
        const auto script = home / ("play-" + tone + ".sh");
        writeFile(script, "#!/bin/sh\nexec paplay '" + toneFile(tone).string() + "'\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        dunstrc += "[paplay_" + tone + "]\n    appname = \"Paplay" + tone +
                   "\"\n    script = " + script.string() + "\n";
    }
    rules.push_back(toJson(ruleFor(Rule::defaultAppKey, SoundRef::silent())));
    writeFile(home / "data" / "Corvale" / "rules.json",
              nlohmann::json{{"rules", rules}, {"version", 1}}.dump());
    writeFile(home / "dunstrc", dunstrc);

    auto env = bus.clientEnvironment();
    for (const auto& [name, value] : pulse.clientEnvironment()) {
        env[name] = value;
    }
    for (const auto& [name, value] : display.clientEnvironment()) {
        env[name] = value;
    }
    env["HOME"] = home.path().string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_RUNTIME_DIR"] = (home / "run").string();
    auto dunst = bus.start({"dunst", "-config", (home / "dunstrc").string()}, env);
    if (!waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications").has_value(); },
                   std::chrono::seconds(15))) {
        std::fprintf(stderr, "dunst did not start: %s\n", dunst->errors().c_str());
        return 1;
    }
    bench::SinkInputWatch events;
    if (!events.waitSubscribed(std::chrono::seconds(10))) {
        std::fprintf(stderr, "the audio server reports no streams\n");
        return 1;
    }
    sd_bus* client = nullptr;
    if (sd_bus_open_user(&client) < 0) {
        std::fprintf(stderr, "cannot connect to the private bus\n");
        return 1;
    }
    const auto gap = std::chrono::milliseconds(30);
    // Times `alerts` Notify calls from `sender` to the next new stream each.
    auto timeAlerts = [&](const std::string& sender, int alerts, std::vector<double>& figures) {
        for (int i = 1; i <= alerts; ++i) {
            const auto sent = notify(client, sender, i);
            auto created = events.waitForNew(std::chrono::seconds(5));
            if (!created) {
                std::fprintf(stderr, "alert %d of %s played no sound\n", i, sender.c_str());
                return false;
            }
            figures.push_back(millis(created->at - sent));
            traceAt(created->at, "bench: the server reports the new sink-input");
            events.waitForRemoval(created->index, std::chrono::seconds(10));
            while (sd_bus_process(client, nullptr) > 0) {
            }
            std::this_thread::sleep_for(gap);
        }
        return true;
    };
    // 5. The floor, alone in the session: its notifications carry an app name of their own.
    std::vector<double> floorFigures;
    auto timeFloor = [&](int alerts, std::vector<double>& figures) {
        ChildProcess monitor({CORVALE_FLOOR_MONITOR, toneFile(tones[0]).string(), "Floor"}, env,
                             home / "floor");
        if (!waitUntil([&] { return monitor.output().find("ready") != std::string::npos; },
                       std::chrono::seconds(10))) {
            std::fprintf(stderr, "the floor monitor did not start: %s\n", monitor.errors().c_str());
            return false;
        }
        std::unique_ptr<ChildProcess> second;
        if (secondMonitor) {
            second = std::make_unique<ChildProcess>(
                std::vector<std::string>{"dbus-monitor", "--session", "--pcap",
                                         "type='method_call',interface='org.freedesktop."
                                         "Notifications',member='Notify'"},
                env, home / "second-monitor");
            // dbus-monitor says nothing when it stands: give it the time to become a monitor.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (!second->running()) {
                std::fprintf(stderr, "the second monitor did not start: %s\n",
                             second->errors().c_str());
                return false;
            }
        }
        const bool timed = timeAlerts("Floor", alerts, figures);
        if (alertTrace::enabled()) {
            std::fputs(monitor.errors().c_str(), stderr);
        }
        return timed;
    };
    if (!timeFloor(std::max(1, count / 2), floorFigures)) {
        return 1;
    }

    // Corvale runs as users have it, without the debug log (CORVALE_BENCH_DEBUG_LOG=1 turns it
    // on). Its bus name is taken once it watches the bus, so that is when it is ready.
    if (const char* debugLog = std::getenv("CORVALE_BENCH_DEBUG_LOG")) {
        env["CORVALE_DEBUG_LOG"] = debugLog;
    }
    auto corvale =
        std::make_unique<ChildProcess>(std::vector<std::string>{CORVALE_BINARY}, env, home / "out");
    if (!waitUntil([&] { return bus.ownerPid("com.talvo.corvale").has_value(); },
                   std::chrono::seconds(15))) {
        std::fprintf(stderr, "corvale did not attach:\n%s\n", outputOf(home / "out").c_str());
        return 1;
    }

    // 1 and 2. Notify → the new sink-input, corvale's and dunst's paplay, side by side.
    struct Figures {
        std::vector<double> corvale;
        std::vector<double> paplay;
    };
    std::map<std::string, Figures> endToEnd;
    for (const auto& tone : tones) {
        if (floorOnly && tone != tones[0]) {
            continue;
        }
        for (const std::string& player : {std::string("Corvale"), std::string("Paplay")}) {
            if (floorOnly && player == "Paplay") {
                continue;
            }
            auto& figures = player == "Corvale" ? endToEnd[tone].corvale : endToEnd[tone].paplay;
            if (!timeAlerts(player + tone, count, figures)) {
                std::fprintf(stderr, "%s\n%s\n", outputOf(home / "out").c_str(),
                             dunst->errors().c_str());
                return 1;
            }
        }
    }
    // The floor again with corvale running, whose default rule is silent: what corvale's
    // watching of each notification costs a sound that is not its own.
    std::vector<double> besideFigures;
    if (beside && !timeFloor(count, besideFigures)) {
        return 1;
    }
    if (alertTrace::enabled()) {
        std::fputs(corvale->errors().c_str(), stderr);
    }
    corvale.reset();
    if (!timeFloor(std::max(1, count - count / 2), floorFigures)) {
        return 1;
    }
    dunst.reset();
    sd_bus_unref(client);
    auto reportFloor = [&] {
        report("Notify -> floor monitor's stream (" + tones[0] + ")" +
                   (secondMonitor ? ", beside a second monitor:" : ":"),
               floorFigures);
        if (beside) {
            report("Notify -> floor monitor's stream, corvale running:", besideFigures);
        }
        const auto& ours = endToEnd[tones[0]].corvale;
        if (ours.empty() || floorFigures.empty()) {
            return;
        }
        double load[3] = {};
        getloadavg(load, 3);
        std::printf(
            "%-52s p50 %.2fx (target <= 1.15)   p95 %.2fx (target <= 1.6)   load %.2f "
            "%.2f %.2f\n",
            "  corvale / floor:", bench::percentile(ours, 50) / bench::percentile(floorFigures, 50),
            bench::percentile(ours, 95) / bench::percentile(floorFigures, 95), load[0], load[1],
            load[2]);
        if (!besideFigures.empty()) {
            std::printf("%-52s p50 %.2fx   p95 %.2fx\n", "  corvale / floor with corvale running:",
                        bench::percentile(ours, 50) / bench::percentile(besideFigures, 50),
                        bench::percentile(ours, 95) / bench::percentile(besideFigures, 95));
        }
    };
    if (floorOnly) {
        report("Notify -> corvale's stream (" + tones[0] + "):", endToEnd[tones[0]].corvale);
        reportFloor();
        return 0;
    }

    // 3. ActionRunner::run in this process, with the adapters corvale uses.
    auto soundDirs = SoundLibrary::defaultDirs("/usr/share/sounds/freedesktop/stereo",
                                               home / "data" / "sounds", toneFolder);
    std::vector<std::string> folders;
    for (const auto& dir : soundDirs) {
        folders.push_back(dir.string());
    }
    QtScheduler scheduler;
    std::map<std::string, std::vector<double>> runToWrite;
    std::map<std::string, std::vector<double>> runToStream;
    std::map<std::string, std::vector<double>> mainThread;
    std::map<std::string, std::vector<double>> mainThreadCpu;
    {
        FfmpegAudioDecoder files;
        CachingAudioDecoder decoder(files);
        PulseAudioEngine engine(decoder);
        CanberraSoundPlayer namedSounds(folders);
        ActionRunner runner(engine, namedSounds, scheduler, soundDirs);
        std::string lastLine;
        runner.setLog([&](const std::string& line) { lastLine = line; });
        auto pump = [] { QCoreApplication::processEvents(); };
        // The connection is made in the background at start; let it settle as it would in a
        // running program.
        waitUntil(
            [&] {
                pump();
                return false;
            },
            std::chrono::milliseconds(200));
        for (const auto& tone : tones) {
            const Rule rule = ruleFor("Bench", SoundRef::builtin(tone));
            for (int i = 1; i <= count; ++i) {
                const ObservedNotification notification =
                    benchNotification("bench-" + std::to_string(i));
                firstWrite = SteadyClock::time_point{};
                lastLine.clear();
                app.reset();
                const auto started = SteadyClock::now();
                const double cpuStarted = threadCpuMillis();
                runner.run(rule, notification);
                const double runCpu = threadCpuMillis() - cpuStarted;
                const double runTook = millis(SteadyClock::now() - started);
                traceAt(started, "bench: run() called");
                auto created = events.waitForNew(std::chrono::seconds(5), pump);
                if (!created) {
                    std::fprintf(stderr, "run() played no sound: %s\n", lastLine.c_str());
                    return 1;
                }
                traceAt(created->at, "bench: the server reports the new sink-input");
                runToStream[tone].push_back(millis(created->at - started));
                waitUntil(
                    [&] {
                        pump();
                        return firstWrite.load() != SteadyClock::time_point{} && !lastLine.empty();
                    },
                    std::chrono::seconds(5));
                if (lastLine.find("(engine)") == std::string::npos) {
                    std::fprintf(stderr, "run() did not play through the engine: %s\n",
                                 lastLine.c_str());
                    return 1;
                }
                runToWrite[tone].push_back(millis(firstWrite.load() - started));
                events.waitForRemoval(created->index, std::chrono::seconds(10), pump);
                waitUntil(
                    [&] {
                        pump();
                        return runner.playingCount() == 0;
                    },
                    std::chrono::seconds(5));
                // The completion's teardown and the timers it cancels are this alert's too.
                pump();
                mainThread[tone].push_back(runTook + app.busy);
                mainThreadCpu[tone].push_back(runCpu + app.cpu);
                std::this_thread::sleep_for(gap);
            }
        }
    }

    // 4. Twenty alerts in a row against a server that never answers.
    double hungTotal = 0;
    double hungCpu = 0;
    double hungLongest = 0;
    int hungOutcomes = 0;
    {
        HeldRelay silent(home / "hung");
        ScopedEnvironment hungEnvironment({{"PULSE_SERVER", silent.pulseAddress()}});
        FfmpegAudioDecoder decoder;
        PulseAudioEngine engine(decoder);
        CanberraSoundPlayer namedSounds(folders);
        ActionRunner runner(engine, namedSounds, scheduler, soundDirs);
        runner.setLog([&](const std::string& line) {
            // Each alert ends in one of these: skipped, or the fallback's outcome.
            if (line.find("skipped") != std::string::npos ||
                line.find("fallback") != std::string::npos) {
                ++hungOutcomes;
            }
        });
        const Rule rule = ruleFor("Bench", SoundRef::builtin("Submarine"));
        app.reset();
        for (int i = 1; i <= 20; ++i) {
            const ObservedNotification notification =
                benchNotification("hung-" + std::to_string(i));
            const auto started = SteadyClock::now();
            const double cpuStarted = threadCpuMillis();
            runner.run(rule, notification);
            hungCpu += threadCpuMillis() - cpuStarted;
            const double took = millis(SteadyClock::now() - started);
            hungTotal += took;
            hungLongest = std::max(hungLongest, took);
            QCoreApplication::processEvents();
        }
        waitUntil(
            [&] {
                QCoreApplication::processEvents();
                return hungOutcomes >= 20;
            },
            std::chrono::seconds(15));
        hungTotal += app.busy;
        hungCpu += app.cpu;
        hungLongest = std::max(hungLongest, app.longest);
    }

    std::printf("alerts: %d per figure, one at a time; tones \"%s\" (default rule) and \"%s\" "
                "(longest)\n",
                count, tones[0].c_str(), tones[1].c_str());
    for (const auto& tone : tones) {
        const auto& figures = endToEnd[tone];
        report("Notify -> corvale's stream (" + tone + "):", figures.corvale);
        report("Notify -> dunst script paplay's stream (" + tone + "):", figures.paplay);
        if (!figures.corvale.empty() && !figures.paplay.empty()) {
            std::printf("%-52s %.1fx at p50\n", ("  corvale faster than dunst + paplay:"),
                        bench::percentile(figures.paplay, 50) /
                            bench::percentile(figures.corvale, 50));
        }
    }
    reportFloor();
    for (const auto& tone : tones) {
        report("ActionRunner::run -> first audio written (" + tone + "):", runToWrite[tone]);
        report("ActionRunner::run -> stream (" + tone + "):", runToStream[tone]);
        report("main-thread time per alert (" + tone + "):", mainThread[tone]);
        report("  the same in the main thread's CPU time:", mainThreadCpu[tone]);
    }
    std::printf("%-52s total %.3f ms (CPU %.3f ms), longest stall %.3f ms, %d of 20 answered\n",
                "hung server, 20 alerts, main thread:", hungTotal, hungCpu, hungLongest,
                hungOutcomes);
    return 0;
}
