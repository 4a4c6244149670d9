#pragma once

#include "support/ChildProcess.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace corvale::test {

// A private desktop session for the real corvale: its own home and XDG folders, its own session
// bus, and helpers to run corvale and the desktop's notification tools in it.
class CorvaleSession {
public:
    TempDir home;
    std::filesystem::path data = home / "data";
    std::filesystem::path support = data / "Corvale";
    std::filesystem::path config = home / "config" / "Corvale";
    PrivateBus bus;

    // `busLauncher`: see PrivateBus.
    explicit CorvaleSession(std::vector<std::string> busLauncher = {})
        : bus(std::move(busLauncher)) {
        std::filesystem::create_directories(home / "run");
        chmod((home / "run").c_str(), 0700);
    }

    std::map<std::string, std::optional<std::string>> env() const {
        auto e = bus.clientEnvironment();
        e["HOME"] = home.path().string();
        e["XDG_DATA_HOME"] = data.string();
        e["XDG_CONFIG_HOME"] = (home / "config").string();
        e["XDG_RUNTIME_DIR"] = (home / "run").string();
        e["CORVALE_DEBUG_LOG"] = "1";
        e["DISPLAY"] = std::nullopt;
        e["WAYLAND_DISPLAY"] = std::nullopt;
        e["PULSE_SERVER"] = "unix:" + (home / "no-audio-server").string();
        e["XDG_CURRENT_DESKTOP"] = std::nullopt;
        return e;
    }

    // The test notification server on this bus.
    std::unique_ptr<ChildProcess> startNotificationServer(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"/usr/bin/python3", std::string(CORVALE_TEST_SUPPORT_DIR) +
                                                                 "/notification_server.py"});
        auto server = bus.start(options);
        waitUntil([&] { return bus.ownerPid("org.freedesktop.Notifications") == server->pid(); },
                  std::chrono::seconds(15));
        return server;
    }

    std::unique_ptr<ChildProcess>
    startCorvale(std::map<std::string, std::optional<std::string>> extra = {},
                 std::vector<std::string> args = {}) {
        auto e = env();
        for (auto& [k, v] : extra) {
            e[k] = v;
        }
        args.insert(args.begin(), CORVALE_BINARY);
        return std::make_unique<ChildProcess>(args, e, home / "out");
    }

    CommandResult run(const std::vector<std::string>& argv,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return runCommand(argv, env(), timeout);
    }

    // corvale run to its end with `words`, as a user types a command.
    CommandResult command(std::vector<std::string> words,
                          std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        words.insert(words.begin(), CORVALE_BINARY);
        return run(words, timeout);
    }

    static size_t count(const ChildProcess& p, const std::string& text) {
        std::string out = p.output();
        size_t n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    static bool waitForLine(const ChildProcess& p, const std::string& text, size_t times = 1,
                            std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        return waitUntil([&] { return count(p, text) >= times; }, timeout);
    }

    // waitForLine for an assertion: a failure shows the line and everything the process wrote.
    static ::testing::AssertionResult
    hasLine(const ChildProcess& p, const std::string& text, size_t times = 1,
            std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        if (waitForLine(p, text, times, timeout)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "missing: " << text << "\n"
                                             << p.output() << p.errors();
    }

    nlohmann::json readJson(const std::string& file) const {
        return nlohmann::json::parse(readFile(support / file), nullptr, false);
    }
};

} // namespace corvale::test
