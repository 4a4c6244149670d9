#include "support/FakeMediaTools.h"

#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>

namespace corvale::test {

SongLength FakeMediaTools::duration(const std::string& path) {
    using Problem = SongLength::Problem;
    auto found = songs.find(path);
    if (found == songs.end()) {
        return {Problem::cannotOpen, 0, "No such file or directory"};
    }
    if (found->second.noAudioTrack) {
        return {Problem::noAudioTrack, 0, {}};
    }
    const auto seconds = found->second.duration;
    return seconds ? SongLength{Problem::none, *seconds, {}}
                   : SongLength{Problem::unknownLength, 0, {}};
}

bool FakeMediaTools::readMono(const std::string& path, const MonoSink& sink) {
    auto found = songs.find(path);
    if (found == songs.end() || found->second.readFails) {
        return false;
    }
    const Song& song = found->second;
    std::vector<float> block(blockSize);
    for (std::size_t done = 0; done < song.samples;) {
        const std::size_t count = std::min(blockSize, song.samples - done);
        for (std::size_t i = 0; i < count; ++i) {
            block[i] = song.sample ? song.sample(done + i) : 0.5f;
        }
        sink(block.data(), count);
        done += count;
    }
    return true;
}

std::optional<ClipExportFailure> FakeMediaTools::exportClip(const std::string& source, double start,
                                                            double length,
                                                            const std::string& target) {
    exports.push_back({source, start, length, target});
    if (exportFailure) {
        return exportFailure;
    }
    writeFile(target, "m4a");
    return std::nullopt;
}

void ManualBackgroundTasks::run(std::function<void()> work, std::function<void()> done) {
    tasks_.emplace_back(std::move(work), std::move(done));
}

bool ManualBackgroundTasks::runNext() {
    if (tasks_.empty()) {
        return false;
    }
    auto [work, done] = std::move(tasks_.front());
    tasks_.pop_front();
    work();
    done();
    return true;
}

void ManualBackgroundTasks::runAll() {
    while (runNext()) {
    }
}

} // namespace corvale::test
