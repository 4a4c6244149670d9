// Waveform peaks of a song read through FFmpeg, as the clip editor loads them: time and peak
// memory growth for a 4-minute and a 16-minute song made at run time.
//
//   build/bin/corvale_bench_waveform [RUNS]      (default 3)
//
// Targets: under 1 s for 4 minutes; memory growth that does not depend on the song's length.

#include "BenchSupport.h"
#include "library/WaveformLoader.h"
#include "library/linux/FfmpegMediaTools.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvale;
using SteadyClock = std::chrono::steady_clock;

namespace {

long statusKiB(const std::string& key) {
    return bench::statusField(getpid(), key);
}

// Resets the high-water mark of resident memory, so the next peak is this run's own.
bool resetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

struct Figures {
    double seconds = 1e9;
    long growthKiB = 0;
    std::size_t bars = 0;
};

// One load in a child process of its own, so memory that an earlier load left to the allocator
// does not hide this one's growth.
std::optional<Figures> measureOnce(const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        FfmpegMediaTools media;
        const double duration = media.duration(path).seconds;
        const int buckets = static_cast<int>(std::clamp(std::trunc(duration * 20), 1200.0, 4000.0));
        const bool reset = resetPeakMemory();
        const long before = statusKiB("VmRSS");
        const auto start = SteadyClock::now();
        const auto peaks = WaveformLoader::peaks(media, path, buckets, duration);
        Figures figures;
        figures.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
        figures.growthKiB = reset ? statusKiB("VmHWM") - before : -1;
        figures.bars = peaks ? peaks->size() : 0;
        const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const bool received = child > 0 && read(channel[0], &figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    if (!received) {
        return std::nullopt;
    }
    return figures;
}

std::optional<Figures> measure(const std::string& path, int runs) {
    Figures best;
    for (int i = 0; i < runs; ++i) {
        const auto figures = measureOnce(path);
        if (!figures) {
            return std::nullopt;
        }
        best.seconds = std::min(best.seconds, figures->seconds);
        best.growthKiB = std::max(best.growthKiB, figures->growthKiB);
        best.bars = figures->bars;
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    test::TempDir dir;
    bool withinTargets = true;
    long firstGrowth = -1;
    for (const int minutes : {4, 16}) {
        const auto song = dir / ("song-" + std::to_string(minutes) + "min.mp3");
        const auto made = test::runCommand(
            {"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(minutes * 60), "-ac",
             "2", "-c:a", "libmp3lame", "-b:a", "192k", song.string()},
            {}, std::chrono::minutes(5));
        if (made.exitCode != 0) {
            std::fprintf(stderr, "could not make %s with ffmpeg\n", song.c_str());
            return 2;
        }
        const auto measured = measure(song.string(), runs);
        if (!measured) {
            std::fprintf(stderr, "could not measure %s\n", song.c_str());
            return 2;
        }
        const Figures& figures = *measured;
        std::printf(
            "%2d-minute MP3: %4zu bars in %.3f s (best of %d), peak memory growth up to %ld KiB\n",
            minutes, figures.bars, figures.seconds, runs, figures.growthKiB);
        if (minutes == 4) {
            firstGrowth = figures.growthKiB;
            withinTargets = withinTargets && figures.seconds < 1.0;
        } else {
            // Both songs get 4000 bars, so the reduced list is the same size; allow 25 % noise.
            withinTargets = withinTargets && figures.growthKiB <= firstGrowth * 5 / 4 + 1024;
        }
    }
    std::printf("targets (4 min under 1 s, memory independent of length): %s\n",
                withinTargets ? "met" : "MISSED");
    return withinTargets ? 0 : 1;
}
