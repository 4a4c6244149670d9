#pragma once

#include "core/Log.h"
#include "core/ObservedNotification.h"
#include "core/Rule.h"
#include "core/Scheduler.h"
#include "signals/AppSoundHint.h"
#include "signals/AudioEngine.h"
#include "signals/HeadStarts.h"
#include "signals/NamedSoundPlayer.h"
#include "signals/SoundLibrary.h"

#include <filesystem>
#include <list>
#include <memory>
#include <vector>

namespace corvale {

// Plays the sound of a matched rule: built-in names are found in the sound folders and played
// through our gain stage (up to 200 %); a built-in sound the engine cannot play falls back to the
// desktop's named-sound player (capped at 100 %). A rule using the app's own sound plays the file
// or theme sound the notification names, and its own sound when that is none or does not play.
// Every outcome is one log line, written when the player's answer arrives: the caller (the main
// thread) never waits for the audio server.
class ActionRunner {
public:
    // A flood of alerts must not open an unbounded number of audio streams.
    static constexpr size_t maxPlaying = 8;
    // The players give up on a silent audio server after 2 s; past this the runner stops waiting
    // for their answer itself, so a lost answer never holds one of the eight places for good.
    static constexpr Millis answerNet{3000};
    static constexpr double maxSoundSeconds = alertSoundSeconds;

    ActionRunner(AudioEngine& engine, NamedSoundPlayer& namedSounds, Scheduler& scheduler,
                 std::vector<std::filesystem::path> soundDirs);
    ~ActionRunner();
    ActionRunner(const ActionRunner&) = delete;
    ActionRunner& operator=(const ActionRunner&) = delete;

    void setLog(LogFn log) { log_ = std::move(log); }
    // Sounds the bus thread may have started for an alert before run() is called: run() takes
    // such a sound over when it is the one it would play.
    void setHeadStarts(HeadStarts* headStarts) { headStarts_ = headStarts; }
    // The dispatch of the notification is over: a sound started ahead for it that run() did not
    // take is stopped.
    void dispatched(const std::string& notificationUuid);
    // Plays the rule's sound. underway runs once, on the main thread, as soon as the sound's fate
    // is known: the engine answered (started or failed), the fallback was asked, or nothing is to
    // be played. It runs before the log line of that answer.
    void run(const Rule& rule, const ObservedNotification& notification,
             std::function<void()> underway = {});
    // Silences every sound that run() started for the notification, whether it is still starting,
    // playing or waiting for its fallback. Logs nothing: the caller says why.
    void stopSoundFor(const std::string& notificationUuid);
    // Silences every sound playing or starting, and logs it with the reason when there were any.
    void stopAll(const std::string& why);

    const std::vector<std::filesystem::path>& soundDirs() const { return soundDirs_; }
    // Sounds starting or playing, the fallbacks among them.
    size_t playingCount();

    // Gain in decibels for a volume fraction: 20·log10(v) within −96 … +24 dB.
    static double gainDecibels(double volume);
    // The factor every sample is multiplied by at that volume.
    static float gainFactor(double volume);
    // The volume as log lines write it: shortest exact decimal, always with a fractional part.
    static std::string volumeText(double volume);

private:
    // What the log lines of one alert need once the player answers.
    struct Alert {
        std::string uuid;
        std::string app;
        std::string ruleName;
        double volume = 0;
    };
    struct Engine {
        std::uint64_t id = 0;
        std::string uuid;
        std::unique_ptr<AudioPlayback> playback;
        bool started = false;
        Subscription net;
    };
    struct Fallback {
        std::uint64_t id = 0;
        std::string uuid;
        std::unique_ptr<NamedSound> sound;
        bool answered = false;
        Subscription net;
    };
    // Called once with the start's outcome: empty when playing, else the reason.
    using EngineAnswer = std::function<void(const std::string& error)>;
    using Settled = std::function<void()>;

    void playRuleSound(const SoundRef& sound, const Alert& alert, const Settled& settled);
    void playAppSound(const AppSoundHint& hint, const SoundRef& ruleSound, const Alert& alert,
                      const Settled& settled);
    // A named sound through the desktop's player; answered with whether it plays and else why.
    void playNamed(const std::string& name, const Alert& alert,
                   std::function<void(const NamedSoundStart&)> answer);

    void playAmplified(const std::filesystem::path& file, const Alert& alert, EngineAnswer answer);
    void engineAnswered(std::uint64_t id, const PlaybackStarted& result,
                        const EngineAnswer& answer);
    void playBuiltinFallback(const std::string& name, const Alert& alert, bool orDefault = true);
    void namedAnswered(std::uint64_t id, const NamedSoundStart& result,
                       const std::function<void(const NamedSoundStart&)>& answer);
    void prune();
    void teardown(std::uint64_t engineId);
    void log(const std::string& line) const;

    AudioEngine& engine_;
    NamedSoundPlayer& namedSounds_;
    Scheduler& scheduler_;
    std::vector<std::filesystem::path> soundDirs_;
    SoundLibrary::Index index_;
    LogFn log_;
    HeadStarts* headStarts_ = nullptr;
    std::list<Engine> engines_;
    std::list<Fallback> systemSounds_;
    std::uint64_t nextId_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
