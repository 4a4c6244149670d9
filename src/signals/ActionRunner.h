#pragma once

#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"
#include "core/Scheduler.h"
#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"
#include "signals/NamedSoundPlayer.h"

#include <filesystem>
#include <list>
#include <memory>
#include <vector>

namespace corvale {

// Plays the sound of a matched rule: built-in names are found in the sound folders and played
// through our gain stage (up to 200 %); a built-in sound the engine cannot play falls back to the
// desktop's named-sound player (capped at 100 %). Every outcome is one log line.
class ActionRunner {
public:
    // A flood of alerts must not open an unbounded number of audio streams.
    static constexpr size_t maxPlaying = 8;

    ActionRunner(AudioDecoder& decoder, AudioEngine& engine, NamedSoundPlayer& namedSounds,
                 Scheduler& scheduler, std::vector<std::filesystem::path> soundDirs);
    ~ActionRunner();
    ActionRunner(const ActionRunner&) = delete;
    ActionRunner& operator=(const ActionRunner&) = delete;

    void setLog(LogFn log) { log_ = std::move(log); }
    void run(const Rule& rule, const ObservedNotification& notification);

    const std::vector<std::filesystem::path>& soundDirs() const { return soundDirs_; }
    size_t playingCount();

    // Gain in decibels for a volume fraction: 20·log10(v) within −96 … +24 dB.
    static double gainDecibels(double volume);
    // The volume as log lines write it: shortest exact decimal, always with a fractional part.
    static std::string volumeText(double volume);

private:
    struct Engine {
        std::uint64_t id = 0;
        std::unique_ptr<AudioPlayback> playback;
        Subscription safetyNet;
    };

    // Starts one playback of the file; the reason when it cannot.
    std::optional<std::string> playAmplified(const std::filesystem::path& file, double volume);
    void playBuiltinFallback(const std::string& name, double volume, const std::string& app,
                             const std::string& ruleName);
    void prune();
    void teardown(std::uint64_t engineId);
    void log(const std::string& line) const;

    AudioDecoder& decoder_;
    AudioEngine& engine_;
    NamedSoundPlayer& namedSounds_;
    Scheduler& scheduler_;
    std::vector<std::filesystem::path> soundDirs_;
    LogFn log_;
    std::list<Engine> engines_;
    std::vector<std::unique_ptr<NamedSound>> systemSounds_;
    std::uint64_t nextEngineId_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
