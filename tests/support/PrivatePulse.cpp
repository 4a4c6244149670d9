#include "support/PrivatePulse.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>

namespace corvale::test {

using namespace std::chrono_literals;

PrivatePulse::PrivatePulse() {
    std::filesystem::create_directories(dir_ / "run");
    std::filesystem::create_directories(dir_ / "home" / ".config");
    chmod((dir_ / "run").c_str(), 0700);
    server_ = "unix:" + (dir_ / "run" / "pulse" / "native").string();
    cookie_ = (dir_ / "home" / ".config" / "pulse" / "cookie").string();
    for (const auto& [name, value] : clientEnvironment()) {
        environment_.set(name, value);
    }
    ready_ = startServer();
}

PrivatePulse::~PrivatePulse() {
    stopServer();
}

std::map<std::string, std::optional<std::string>> PrivatePulse::clientEnvironment() const {
    return {{"PULSE_SERVER", server_}, {"PULSE_COOKIE", cookie_}};
}

void PrivatePulse::shareWithOtherUsers() {
    const auto config = dir_ / "home" / ".config";
    for (const auto& folder : {dir_.path(), dir_ / "run", dir_ / "run" / "pulse", dir_ / "home",
                               config, config / "pulse"}) {
        chmod(folder.c_str(), 0711);
    }
    chmod(cookie_.c_str(), 0644);
}

bool PrivatePulse::startServer() {
    std::map<std::string, std::optional<std::string>> env = {
        {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
        {"HOME", (dir_ / "home").string()},
        {"XDG_CONFIG_HOME", (dir_ / "home" / ".config").string()},
        {"PULSE_SERVER", std::nullopt},
        {"PULSE_COOKIE", std::nullopt}};
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", "-L", "module-native-protocol-unix", "-L",
            "module-null-sink sink_name=ci_sink rate=48000 channels=2", "-L", "module-always-sink"},
        env, dir_ / "logs");
    const bool up = waitUntil(
        [this] {
            return runCommand({"pactl", "get-sink-volume", "ci_sink"}, clientEnvironment(), 5s)
                           .exitCode == 0 ||
                   !daemon_->running();
        },
        10s);
    if (!up || !daemon_->running()) {
        setupError_ = "pulseaudio did not start: " + daemon_->errors();
        return false;
    }
    // An idle null sink sleeps in long blocks and a recording would lose audio; a silent stream
    // keeps it running, and its short latency keeps the sink's blocks short from the start.
    silence_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"pacat", "--raw", "--playback", "--latency-msec=20",
                                 "--device=ci_sink", "--format=s16le", "--rate=48000",
                                 "--channels=2", "/dev/zero"},
        clientEnvironment(), dir_ / "logs");
    const bool playing = waitUntil(
        [this] {
            auto inputs =
                runCommand({"pactl", "list", "short", "sink-inputs"}, clientEnvironment(), 5s);
            return inputs.exitCode == 0 && !inputs.output.empty();
        },
        10s);
    if (!playing) {
        setupError_ = "the silent stream did not start: " + silence_->errors();
        return false;
    }
    // The sink wakes from its first long sleep only after a while; until then a recording gets
    // nothing, so the server counts as ready once a recording flows.
    Recording probe(*this);
    if (!probe.started()) {
        setupError_ = "the sink's monitor records nothing";
        return false;
    }
    return true;
}

void PrivatePulse::stopServer() {
    if (silence_) {
        silence_->signal(SIGTERM);
        silence_->wait(2s);
        silence_.reset();
    }
    if (daemon_) {
        daemon_->signal(SIGTERM);
        daemon_->wait(5s);
        daemon_.reset();
    }
}

void PrivatePulse::kill() {
    if (daemon_) {
        daemon_->signal(SIGKILL);
        daemon_->wait(5s);
    }
    if (silence_) {
        silence_->wait(2s);
        silence_.reset();
    }
    daemon_.reset();
    std::error_code ec;
    std::filesystem::remove(dir_ / "run" / "pulse" / "native", ec);
}

bool PrivatePulse::restart() {
    stopServer();
    ready_ = startServer();
    return ready_;
}

PrivatePulse::Recording::Recording(PrivatePulse& pulse) {
    static int counter = 0;
    file_ = pulse.dir_ / ("recording-" + std::to_string(++counter) + ".raw");
    recorder_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"parecord", "--raw", "--latency-msec=20",
                                 "--device=ci_sink.monitor", "--format=float32le", "--rate=48000",
                                 "--channels=2", file_.string()},
        pulse.clientEnvironment(), pulse.dir_ / "logs");
    started_ = waitUntil([this] { return seconds() > 0.05 || !recorder_->running(); }, 10s) &&
               recorder_->running();
}

PrivatePulse::Recording::~Recording() {
    if (recorder_) {
        recorder_->signal(SIGTERM);
        recorder_->wait(2s);
    }
}

double PrivatePulse::Recording::seconds() const {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file_, ec);
    return ec ? 0.0 : static_cast<double>(size) / (2 * sizeof(float) * rate);
}

std::vector<float> PrivatePulse::Recording::finish() {
    if (recorder_) {
        recorder_->signal(SIGTERM);
        recorder_->wait(2s);
        recorder_.reset();
    }
    std::ifstream in(file_, std::ios::binary);
    std::vector<float> mono;
    float frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) {
        mono.push_back((frame[0] + frame[1]) / 2);
    }
    return mono;
}

} // namespace corvale::test
