// How soon an alert is heard. In a private session (bus, test notification server, PulseAudio
// with a null sink, the real corvale binary) it times:
//   1. each Notify call on the bus → the new sink-input of corvale's sound, as `pactl subscribe`
//      reports it;
//   2. for comparison, the common recipe: `paplay <tone>` started at that moment → its new
//      sink-input, timed the same way;
//   3. in this process, ActionRunner::run with the real decoder, engine and named-sound player →
//      the engine's first pa_stream_write (seen through the linker's --wrap), → the new
//      sink-input, and how long run() holds the caller (the program's main thread).
// Alerts are spaced so that each sound has ended before the next one starts.
//
//   build/bin/corvale_bench_sound [COUNT]      (default 100)
//
// Target: Notify → sink-input p50 ≤ 9 ms.

#include "BenchSupport.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"
#include "core/linux/InstallPaths.h"
#include "core/linux/QtScheduler.h"
#include "signals/ActionRunner.h"
#include "signals/SoundLibrary.h"
#include "signals/linux/CanberraSoundPlayer.h"
#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/PulseAudioEngine.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/PrivatePulse.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <nlohmann/json.hpp>
#include <pulse/stream.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace corvale;
using namespace corvale::test;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr const char* tone = "Pop";

double millis(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void report(const char* what, const std::vector<double>& values) {
    if (values.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::printf("%-44s p50 %7.3f ms   p95 %7.3f ms   max %7.3f ms   (n=%zu)\n", what,
                bench::percentile(values, 50), bench::percentile(values, 95),
                *std::max_element(values.begin(), values.end()), values.size());
}

// Starts a program; with stdoutFd, its output goes there and its complaints nowhere.
pid_t spawn(const std::vector<std::string>& argv, int stdoutFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, stdoutFd);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// `pactl subscribe` as a child, its lines read as they come and stamped on arrival.
class ServerEvents {
public:
    ServerEvents() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = spawn({"pactl", "subscribe"}, fds[1]);
        close(fds[1]);
        fd_ = fds[0];
    }
    ~ServerEvents() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ServerEvents(const ServerEvents&) = delete;
    ServerEvents& operator=(const ServerEvents&) = delete;

    bool ok() const { return pid_ > 0 && fd_ >= 0; }

    // Waits for the next line that holds `text` followed by a space or the line's end, running
    // `idle` while nothing comes; returns the line's arrival time and the index it names ("#12"),
    // or nothing at the deadline.
    std::optional<std::pair<SteadyClock::time_point, std::string>>
    waitFor(const std::string& text, std::chrono::milliseconds timeout,
            const std::function<void()>& idle = {}) {
        const auto deadline = SteadyClock::now() + timeout;
        for (;;) {
            for (auto end = buffer_.find('\n'); end != std::string::npos;
                 end = buffer_.find('\n')) {
                const std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                const auto at = line.find(text);
                const auto after = at + text.size();
                if (at != std::string::npos && (after == line.size() || line[after] == ' ')) {
                    return std::pair(arrived_, line.substr(line.rfind('#') + 1));
                }
            }
            if (SteadyClock::now() >= deadline) {
                return std::nullopt;
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 1) > 0) {
                char chunk[4096];
                const auto got = read(fd_, chunk, sizeof chunk);
                if (got <= 0) {
                    return std::nullopt;
                }
                arrived_ = SteadyClock::now();
                buffer_.append(chunk, static_cast<size_t>(got));
            } else if (idle) {
                idle();
            }
        }
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buffer_;
    // When the last chunk came; the lines completed by it came then.
    SteadyClock::time_point arrived_;
};

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

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::stoi(argv[1])) : 100;
    QCoreApplication app(argc, argv);
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
    bench::makeRuntimeDir(home.path());

    Rule rule;
    rule.id = Uuid::random();
    rule.appBundleId = "org.example.bench";
    rule.appDisplayName = "Bench";
    rule.sound = SoundRef::builtin(tone);
    rule.volume = 1.0;
    writeFile(home / "data" / "Corvale" / "rules.json",
              nlohmann::json{{"rules", {toJson(rule)}}, {"version", 1}}.dump());

    auto server = bus.start(
        {"/usr/bin/python3", std::string(CORVALE_TEST_SUPPORT_DIR) + "/notification_server.py"});
    waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications").has_value(); },
              std::chrono::seconds(15));
    auto env = bus.clientEnvironment();
    for (const auto& [name, value] : pulse.clientEnvironment()) {
        env[name] = value;
    }
    env["HOME"] = home.path().string();
    env["XDG_DATA_HOME"] = (home / "data").string();
    env["XDG_CONFIG_HOME"] = (home / "config").string();
    env["XDG_RUNTIME_DIR"] = (home / "run").string();
    env["CORVALE_DEBUG_LOG"] = "1";
    env["DISPLAY"] = std::nullopt;
    auto corvale =
        std::make_unique<ChildProcess>(std::vector<std::string>{CORVALE_BINARY}, env, home / "out");
    if (!waitUntil([&] { return outputOf(home / "out").find("[attach] OK") != std::string::npos; },
                   std::chrono::seconds(15))) {
        std::fprintf(stderr, "corvale did not attach:\n%s\n", outputOf(home / "out").c_str());
        return 1;
    }

    ServerEvents events;
    if (!events.ok()) {
        std::fprintf(stderr, "cannot run pactl subscribe\n");
        return 1;
    }
    // pactl is subscribed once it reports the stream of a short probe.
    const auto toneFile = installedDataFolder() / "sounds" / (std::string(tone) + ".wav");
    bool subscribed = false;
    for (int attempt = 0; attempt < 10 && !subscribed; ++attempt) {
        const pid_t probe = spawn({"paplay", toneFile.string()});
        if (probe < 0) {
            break;
        }
        subscribed = events.waitFor("'new' on sink-input", std::chrono::seconds(1)).has_value();
        waitpid(probe, nullptr, 0);
    }
    if (!subscribed) {
        std::fprintf(stderr, "pactl subscribe reports nothing\n");
        return 1;
    }
    events.waitFor("'remove' on sink-input", std::chrono::seconds(5));

    sd_bus* client = nullptr;
    if (sd_bus_open_user(&client) < 0) {
        std::fprintf(stderr, "cannot connect to the private bus\n");
        return 1;
    }
    const auto gap = std::chrono::milliseconds(30);

    // 1. Notify → corvale's sink-input.
    std::vector<double> notifyToStream;
    for (int i = 1; i <= count; ++i) {
        sd_bus_message* call = nullptr;
        sd_bus_message_new_method_call(client, &call, "org.freedesktop.Notifications",
                                       "/org/freedesktop/Notifications",
                                       "org.freedesktop.Notifications", "Notify");
        const std::string summary = "Alert " + std::to_string(i);
        sd_bus_message_append(call, "susss", "Bench", 0u, "", summary.c_str(), "body");
        sd_bus_message_append(call, "as", 0);
        sd_bus_message_append(call, "a{sv}", 0);
        sd_bus_message_append(call, "i", 2000);
        const auto sent = SteadyClock::now();
        sd_bus_send(client, call, nullptr);
        sd_bus_flush(client);
        sd_bus_message_unref(call);
        auto created = events.waitFor("'new' on sink-input", std::chrono::seconds(5));
        if (!created) {
            std::fprintf(stderr, "alert %d played no sound:\n%s\n", i,
                         outputOf(home / "out").c_str());
            return 1;
        }
        notifyToStream.push_back(millis(created->first - sent));
        events.waitFor("'remove' on sink-input #" + created->second, std::chrono::seconds(5));
        while (sd_bus_process(client, nullptr) > 0) {
        }
        std::this_thread::sleep_for(gap);
    }
    corvale.reset();
    server.reset();
    sd_bus_unref(client);

    // 2. paplay started at the same moment → its sink-input.
    std::vector<double> paplayToStream;
    for (int i = 1; i <= count; ++i) {
        const auto started = SteadyClock::now();
        const pid_t child = spawn({"paplay", toneFile.string()});
        if (child < 0) {
            std::fprintf(stderr, "cannot run paplay\n");
            return 1;
        }
        auto created = events.waitFor("'new' on sink-input", std::chrono::seconds(5));
        if (!created) {
            std::fprintf(stderr, "paplay played no sound\n");
            return 1;
        }
        paplayToStream.push_back(millis(created->first - started));
        events.waitFor("'remove' on sink-input #" + created->second, std::chrono::seconds(5));
        waitpid(child, nullptr, 0);
        std::this_thread::sleep_for(gap);
    }

    // 3. ActionRunner::run in this process, with the adapters corvale uses.
    auto soundDirs =
        SoundLibrary::defaultDirs("/usr/share/sounds/freedesktop/stereo", home / "data" / "sounds",
                                  installedDataFolder() / "sounds");
    std::vector<std::string> folders;
    for (const auto& dir : soundDirs) {
        folders.push_back(dir.string());
    }
    FfmpegAudioDecoder decoder;
    PulseAudioEngine engine;
    CanberraSoundPlayer namedSounds(folders);
    QtScheduler scheduler;
    ActionRunner runner(decoder, engine, namedSounds, scheduler, soundDirs);
    std::string lastLine;
    runner.setLog([&](const std::string& line) { lastLine = line; });
    ObservedNotification notification{
        "bench", "Bench", "Alert", "", "body", ObservedNotification::Kind::single, {}};
    auto pump = [] { QCoreApplication::processEvents(); };

    std::vector<double> runToWrite;
    std::vector<double> runToStream;
    std::vector<double> runHolds;
    for (int i = 1; i <= count; ++i) {
        firstWrite = SteadyClock::time_point{};
        const auto started = SteadyClock::now();
        runner.run(rule, notification);
        const auto returned = SteadyClock::now();
        if (lastLine.find("(engine)") == std::string::npos) {
            std::fprintf(stderr, "run() did not play through the engine: %s\n", lastLine.c_str());
            return 1;
        }
        auto created = events.waitFor("'new' on sink-input", std::chrono::seconds(5), pump);
        if (!created) {
            std::fprintf(stderr, "run() played no sound\n");
            return 1;
        }
        waitUntil(
            [&] {
                pump();
                return firstWrite.load() != SteadyClock::time_point{};
            },
            std::chrono::seconds(5));
        if (const auto written = firstWrite.load(); written != SteadyClock::time_point{}) {
            runToWrite.push_back(millis(written - started));
        }
        runToStream.push_back(millis(created->first - started));
        runHolds.push_back(millis(returned - started));
        events.waitFor("'remove' on sink-input #" + created->second, std::chrono::seconds(5), pump);
        waitUntil(
            [&] {
                pump();
                return runner.playingCount() == 0;
            },
            std::chrono::seconds(5));
        std::this_thread::sleep_for(gap);
    }

    std::printf("alerts: %d, tone \"%s\", one at a time\n", count, tone);
    report("Notify -> corvale's sink-input:", notifyToStream);
    report("paplay started -> its sink-input:", paplayToStream);
    report("ActionRunner::run -> first audio written:", runToWrite);
    report("ActionRunner::run -> sink-input:", runToStream);
    report("ActionRunner::run holds the main thread:", runHolds);
    return 0;
}
