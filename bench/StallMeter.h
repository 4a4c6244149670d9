#pragma once

// How long the main thread's event loop goes without turning: a precise timer ticks on it, and the
// longest gap between ticks is the stall. The main thread's CPU time inside each gap tells a stall
// of ours from the machine running other work.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace corvale::bench {

inline double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class StallMeter {
public:
    struct Figures {
        double longestStallMs = 0;
        double stallEndedAtMs = 0; // from the start
        double longestStallCpuMs = 0;
        double busiestGapCpuMs = 0;
        double firstGapMs = 0;
        long ticks = 0;
    };

    explicit StallMeter(int tickMs) : tickMs_(tickMs) {
        ticker_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker_, &QTimer::timeout, [this] { tick(); });
    }

    void start() {
        clock_.start();
        lastCpu_ = threadCpuMs();
        ticker_.start(tickMs_);
    }
    double elapsedMs() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }

    // Closes the last gap, which runs up to now.
    Figures finish() {
        ticker_.stop();
        figures_.longestStallMs = std::max(
            figures_.longestStallMs, static_cast<double>(clock_.nsecsElapsed() - lastTick_) / 1e6);
        return figures_;
    }

private:
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        const double gap = static_cast<double>(now - lastTick_) / 1e6;
        const double cpu = threadCpuMs();
        figures_.busiestGapCpuMs = std::max(figures_.busiestGapCpuMs, cpu - lastCpu_);
        if (figures_.ticks == 0) {
            figures_.firstGapMs = gap;
        }
        if (gap > figures_.longestStallMs) {
            figures_.longestStallMs = gap;
            figures_.stallEndedAtMs = static_cast<double>(now) / 1e6;
            figures_.longestStallCpuMs = cpu - lastCpu_;
        }
        lastTick_ = now;
        lastCpu_ = cpu;
        ++figures_.ticks;
    }

    int tickMs_;
    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 lastTick_ = 0;
    double lastCpu_ = 0;
    Figures figures_;
};

// The runs asked for on the command line (default 3); the drawing goes off screen unless
// QT_QPA_PLATFORM names a platform.
inline int offscreenRuns(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    return argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
}

// Prints the verdict on the longest stall of all runs; the exit status says whether it was met.
inline int stallVerdict(int runs, double worstMs) {
    const bool met = worstMs <= 100;
    std::printf("longest stall over %d runs: %.1f ms; target (at most 100 ms): %s\n", runs, worstMs,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}

} // namespace corvale::bench
