#pragma once

#include "support/ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace corvale::test {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// A region of the screen: x, y, width, height.
struct Region {
    int x, y, w, h;
};

inline Rgb blend(Rgb over, Rgb under, double alpha) {
    return {over.r * alpha + under.r * (1 - alpha), over.g * alpha + under.g * (1 - alpha),
            over.b * alpha + under.b * (1 - alpha)};
}

// A strong, long flash rule for `app` with the given sound.
inline nlohmann::json flashRule(const std::string& id, const std::string& app,
                                const std::string& style, Rgb c, bool screen, bool menuBar,
                                nlohmann::json sound = {{"type", "silent"}}) {
    return {{"id", id},
            {"appBundleId", app},
            {"appDisplayName", app},
            {"enabled", true},
            {"sound", std::move(sound)},
            {"volume", 1.0},
            {"flashMenuBar", menuBar},
            {"flashScreen", screen},
            {"flashStyle", style},
            {"flashColor", {{"r", c.r / 255}, {"g", c.g / 255}, {"b", c.b / 255}}},
            {"flashIntensity", "strong"},
            {"flashDuration", "long"},
            {"respectFocus", false},
            {"nativeSoundMuted", false}};
}

inline std::vector<std::string> where(const Region& r) {
    return {std::to_string(r.x), std::to_string(r.y), std::to_string(r.w), std::to_string(r.h)};
}

// What one screenshot must show: every clause at once.
struct Frame {
    std::vector<std::string> words;
    Frame& mean(const Region& r, Rgb c, double tol) { return add("mean", r, c, tol, {}); }
    Frame& count(const Region& r, Rgb c, int low, int high, double tol = 30) {
        return add("count", r, c, tol, {std::to_string(low), std::to_string(high)});
    }
    Frame& add(const char* kind, const Region& r, Rgb c, double tol,
               std::vector<std::string> tail) {
        words.push_back(kind);
        for (auto& w : where(r)) {
            words.push_back(w);
        }
        for (double v : {c.r, c.g, c.b, tol}) {
            words.push_back(std::to_string(v));
        }
        words.insert(words.end(), tail.begin(), tail.end());
        return *this;
    }
};

// Screenshots of one screen through screen_probe.py: an X display (":N") or the full path of a
// Wayland compositor's socket.
class ScreenProbe {
public:
    ScreenProbe(std::string screen, std::filesystem::path outputs)
        : screen_(std::move(screen)), outputs_(std::move(outputs)) {}

    Rgb mean(const Region& r) const {
        auto args = where(r);
        args.insert(args.begin(), "mean");
        std::istringstream out(run(args).output);
        Rgb c;
        out >> c.r >> c.g >> c.b;
        return c;
    }

    // Polls screenshots until one shows `frame` or the deadline passes.
    CommandResult waitFrame(const Frame& frame, double seconds = 5) const {
        return run(all(frame, seconds));
    }

    // Starts polling for `frame` now, for what shows only briefly after the next action; exits
    // with 1 when it never showed.
    std::unique_ptr<ChildProcess> watchFor(const Frame& frame, double seconds = 10) const {
        auto watcher = std::make_unique<ChildProcess>(
            command(all(frame, seconds)), std::map<std::string, std::optional<std::string>>{},
            outputs_);
        waitUntil([&] { return watcher->output().find("watching") != std::string::npos; },
                  std::chrono::seconds(15));
        return watcher;
    }

    CommandResult run(const std::vector<std::string>& args) const {
        return runCommand(command(args), {}, std::chrono::seconds(60));
    }

private:
    static std::vector<std::string> all(const Frame& frame, double seconds) {
        std::vector<std::string> args{"all", std::to_string(seconds)};
        args.insert(args.end(), frame.words.begin(), frame.words.end());
        return args;
    }
    std::vector<std::string> command(std::vector<std::string> args) const {
        args.insert(args.begin(), {"/usr/bin/python3",
                                   std::string(CORVALE_E2E_DIR) + "/screen_probe.py", screen_});
        return args;
    }

    std::string screen_;
    std::filesystem::path outputs_;
};

} // namespace corvale::test
