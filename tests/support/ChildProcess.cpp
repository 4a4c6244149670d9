#include "support/ChildProcess.h"

#include "support/TempDir.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace corvale::test {

namespace {
std::atomic<int> counter{0};
}

ChildProcess::ChildProcess(std::vector<std::string> argv,
                           const std::map<std::string, std::optional<std::string>>& extra,
                           const std::filesystem::path& outputFolder) {
    int n = counter++;
    std::filesystem::create_directories(outputFolder);
    stdout_ =
        outputFolder / ("child-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".out");
    stderr_ =
        outputFolder / ("child-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".err");

    Environment env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        auto eq = entry.find('=');
        if (eq != std::string::npos) {
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    for (const auto& [key, value] : extra) {
        if (value) {
            env[key] = *value;
        } else {
            env.erase(key);
        }
    }
    std::vector<std::string> envStrings;
    for (const auto& [key, value] : env) {
        envStrings.push_back(key + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (auto& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        int out = open(stdout_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(stderr_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        // The test's own blocked signals must not leak into the child.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        setpgid(0, 0);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(-pid_, SIGKILL); // the whole group: a child's own children go too
        kill(pid_, SIGKILL);
        wait(std::chrono::seconds(5));
    }
}

bool ChildProcess::running() {
    if (status_ || pid_ <= 0) {
        return false;
    }
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return done == 0;
}

void ChildProcess::signal(int signo) {
    if (running()) {
        kill(pid_, signo);
    }
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    waitUntil([this] { return !running(); }, timeout);
    return status_;
}

std::string ChildProcess::output() const {
    return readFile(stdout_);
}

std::string ChildProcess::errors() const {
    return readFile(stderr_);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::map<std::string, std::optional<std::string>>& extra,
                         std::chrono::milliseconds timeout) {
    TempDir out;
    ChildProcess child(argv, extra, out.path());
    CommandResult result;
    result.exitCode = child.wait(timeout).value_or(-1);
    result.output = child.output();
    result.errors = child.errors();
    return result;
}

} // namespace corvale::test
