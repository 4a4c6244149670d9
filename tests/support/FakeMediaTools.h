#pragma once

#include "library/BackgroundTasks.h"
#include "library/MediaTools.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace corvale::test {

// Songs the test describes: a length, and samples made on demand so a long song needs no memory.
class FakeMediaTools : public MediaTools {
public:
    struct Song {
        std::optional<double> duration;
        std::size_t samples = 0;
        // The value of sample i; a steady 0.5 unless the test says otherwise.
        std::function<float(std::size_t)> sample;
        bool readFails = false;
        bool noAudioTrack = false; // a video without sound
    };
    struct ExportCall {
        std::string source;
        double start;
        double length;
        std::string target;
    };

    std::map<std::string, Song> songs;
    std::optional<ClipExportFailure> exportFailure; // every export fails with this when set
    std::vector<ExportCall> exports;
    std::size_t blockSize = 4096;

    // A song the test did not describe does not open.
    SongLength duration(const std::string& path) override;
    bool readMono(const std::string& path, const MonoSink& sink) override;
    // On success writes a small file at target, as a real export would.
    std::optional<ClipExportFailure> exportClip(const std::string& source, double start,
                                                double length, const std::string& target) override;
};

// Background work that waits until the test runs it, so a test sees the state in between.
class ManualBackgroundTasks : public BackgroundTasks {
public:
    void run(std::function<void()> work, std::function<void()> done) override;
    // Runs the oldest task's work and then its follow-up; false when none is waiting.
    bool runNext();
    void runAll();
    std::size_t pending() const { return tasks_.size(); }

private:
    std::deque<std::pair<std::function<void()>, std::function<void()>>> tasks_;
};

} // namespace corvale::test
