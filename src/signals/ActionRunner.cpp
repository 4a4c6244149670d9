#include "signals/ActionRunner.h"

#include "core/AlertTrace.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace corvale {
namespace {

constexpr const char* noAnswer = "the audio player did not answer";

Millis seconds(double value) {
    return std::chrono::duration_cast<Millis>(std::chrono::duration<double>(value));
}

} // namespace

ActionRunner::ActionRunner(AudioEngine& engine, NamedSoundPlayer& namedSounds, Scheduler& scheduler,
                           std::vector<std::filesystem::path> soundDirs)
    : engine_(engine), namedSounds_(namedSounds), scheduler_(scheduler),
      soundDirs_(std::move(soundDirs)), index_(soundDirs_) {}

ActionRunner::~ActionRunner() {
    *alive_ = false;
}

void ActionRunner::log(const std::string& line) const {
    if (log_) {
        log_(line);
    }
}

double ActionRunner::gainDecibels(double volume) {
    if (!(volume > 0)) {
        return -96.0;
    }
    return std::clamp(20.0 * std::log10(volume), -96.0, 24.0);
}

float ActionRunner::gainFactor(double volume) {
    return static_cast<float>(std::pow(10.0, gainDecibels(volume) / 20.0));
}

std::string ActionRunner::volumeText(double volume) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, volume);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".en") == std::string::npos) {
        text += ".0";
    }
    return text;
}

size_t ActionRunner::playingCount() {
    prune();
    return engines_.size() + systemSounds_.size();
}

void ActionRunner::run(const Rule& rule, const ObservedNotification& notification,
                       std::function<void()> underway) {
    Alert alert{notification.uuid, notification.appName, rule.appDisplayName, rule.volume};
    const std::string& app = alert.app;
    // Once, whichever way the sound goes.
    auto settled = [once = std::make_shared<std::function<void()>>(std::move(underway))] {
        if (auto fn = std::exchange(*once, nullptr)) {
            fn();
        }
    };

    if (rule.sound.isSilent() && !rule.useAppSound) {
        playRuleSound(rule.sound, alert, settled);
        return;
    }
    if (playingCount() >= maxPlaying) {
        settled();
        log("[action] app=" + inQuotes(app) + ": " + std::to_string(maxPlaying) +
            " sounds already playing - skipped");
        return;
    }
    if (rule.useAppSound) {
        playAppSound(AppSoundHint::read(notification.soundFile, notification.soundName), rule.sound,
                     alert, settled);
        return;
    }
    playRuleSound(rule.sound, alert, settled);
}

void ActionRunner::playRuleSound(const SoundRef& sound, const Alert& alert,
                                 const Settled& settled) {
    const std::string& app = alert.app;
    if (sound.isSilent()) {
        settled();
        log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(alert.ruleName) +
            ": silent (nothing played)");
        return;
    }
    if (auto* file = std::get_if<SoundRef::File>(&sound.value)) {
        std::filesystem::path path = file->url.path();
        playAmplified(path, alert, [this, path, alert, settled](const std::string& error) {
            settled();
            if (!error.empty()) {
                log("[action] app=" + inQuotes(alert.app) + ": could not play file " +
                    path.string() + ": " + error + " - nothing played");
                return;
            }
            log("[action] app=" + inQuotes(alert.app) + " \u2192 rule " + inQuotes(alert.ruleName) +
                ": file " + path.filename().string() + " @ vol " + volumeText(alert.volume) +
                " (engine)");
        });
        return;
    }
    const std::string name = std::get<SoundRef::Builtin>(sound.value).name;
    auto found = index_.url(name);
    alertTrace::stage("runner: name resolved");
    if (!found) {
        settled();
        playBuiltinFallback(name, alert);
        return;
    }
    playAmplified(*found, alert, [this, name, alert, settled](const std::string& error) {
        settled();
        if (!error.empty()) {
            log("[action] app=" + inQuotes(alert.app) + ": builtin " + inQuotes(name) +
                " engine play failed (" + error + ") - falling back to NSSound");
            playBuiltinFallback(name, alert);
            return;
        }
        log("[action] app=" + inQuotes(alert.app) + " \u2192 rule " + inQuotes(alert.ruleName) +
            ": builtin " + inQuotes(name) + " @ vol " + volumeText(alert.volume) + " (engine)");
    });
}

void ActionRunner::playAppSound(const AppSoundHint& hint, const SoundRef& ruleSound,
                                const Alert& alert, const Settled& settled) {
    const std::string app = inQuotes(alert.app);
    if (hint.empty()) {
        log("[action] app=" + app + ": " +
            (hint.refused.empty() ? "the notification names no sound" : hint.refused) +
            " - playing the rule's sound");
        playRuleSound(ruleSound, alert, settled);
        return;
    }
    if (hint.file) {
        const std::filesystem::path path = *hint.file;
        playAmplified(
            path, alert, [this, path, ruleSound, alert, settled](const std::string& error) {
                if (!error.empty()) {
                    log("[action] app=" + inQuotes(alert.app) + ": app's own file " +
                        path.string() + " could not play: " + error +
                        " - playing the rule's sound");
                    playRuleSound(ruleSound, alert, settled);
                    return;
                }
                settled();
                log("[action] app=" + inQuotes(alert.app) + " \u2192 rule " +
                    inQuotes(alert.ruleName) + ": app's own file " + path.filename().string() +
                    " @ vol " + volumeText(alert.volume) + " (engine, sound-file hint)");
            });
        return;
    }
    const std::string name = *hint.name;
    // The desktop's player answers later; the other signals need not wait for it.
    settled();
    playNamed(name, alert, [this, name, ruleSound, alert, settled](const NamedSoundStart& result) {
        if (result.status != NamedSoundStart::Status::playing) {
            log("[action] app=" + inQuotes(alert.app) + ": app's own sound " + inQuotes(name) +
                (result.status == NamedSoundStart::Status::notFound
                     ? " not found"
                     : " could not play (" + result.error + ")") +
                " - playing the rule's sound");
            playRuleSound(ruleSound, alert, settled);
            return;
        }
        log("[action] app=" + inQuotes(alert.app) + " \u2192 rule " + inQuotes(alert.ruleName) +
            ": app's own sound " + inQuotes(name) + " @ vol " + volumeText(alert.volume) +
            " (sound-name hint, capped 100%)");
    });
}

void ActionRunner::dispatched(const std::string& notificationUuid) {
    if (headStarts_) {
        headStarts_->settle(notificationUuid);
    }
}

void ActionRunner::stopSoundFor(const std::string& notificationUuid) {
    std::vector<std::uint64_t> engines;
    for (const auto& engine : engines_) {
        if (engine.uuid == notificationUuid) {
            engines.push_back(engine.id);
        }
    }
    for (auto id : engines) {
        teardown(id);
    }
    std::erase_if(systemSounds_, [&](Fallback& fallback) {
        if (fallback.uuid != notificationUuid) {
            return false;
        }
        if (fallback.sound) {
            fallback.sound->stop();
        }
        return true;
    });
}

void ActionRunner::stopAll(const std::string& why) {
    const size_t count = playingCount();
    if (count == 0) {
        return;
    }
    std::vector<std::uint64_t> engines;
    for (const auto& engine : engines_) {
        engines.push_back(engine.id);
    }
    for (auto id : engines) {
        teardown(id);
    }
    for (auto& fallback : std::exchange(systemSounds_, {})) {
        if (fallback.sound) {
            fallback.sound->stop();
        }
    }
    log("[action] stopped " + std::to_string(count) + " playing sound(s) - " + why);
}

void ActionRunner::playAmplified(const std::filesystem::path& file, const Alert& alert,
                                 EngineAnswer answer) {
    prune();
    const float gain = gainFactor(alert.volume);
    const std::uint64_t id = nextId_++;
    std::weak_ptr<bool> alive = alive_;
    auto shared = std::make_shared<EngineAnswer>(std::move(answer));
    engines_.push_back(Engine{id, alert.uuid, nullptr, false, {}});
    AudioEngine::Started started = [this, alive, id, shared](const PlaybackStarted& result) {
        if (!alive.expired()) {
            engineAnswered(id, result, *shared);
        }
    };
    AudioEngine::Finished finished = [this, alive, id](const std::string&) {
        if (!alive.expired()) {
            teardown(id);
        }
    };
    std::unique_ptr<AudioPlayback> playback;
    if (headStarts_) {
        playback = headStarts_->take(alert.uuid, file.string(), gain, started, finished);
    }
    if (!playback) {
        playback = engine_.start(file.string(), gain, 0.0, maxSoundSeconds, std::move(started),
                                 std::move(finished));
    }
    alertTrace::stage("runner: engine asked");
    // An engine may answer before start() returns; then the entry is already settled. The net
    // is set only after the request has left, so that setting it never delays the sound.
    auto found =
        std::find_if(engines_.begin(), engines_.end(), [&](const Engine& e) { return e.id == id; });
    if (found == engines_.end()) {
        return;
    }
    if (!found->playback) {
        found->playback = std::move(playback);
    }
    if (!found->started) {
        found->net = scheduler_.after(answerNet, [this, alive, id, shared] {
            if (!alive.expired()) {
                engineAnswered(id, {noAnswer, false, 0}, *shared);
            }
        });
    }
}

void ActionRunner::engineAnswered(std::uint64_t id, const PlaybackStarted& result,
                                  const EngineAnswer& answer) {
    auto found =
        std::find_if(engines_.begin(), engines_.end(), [&](const Engine& e) { return e.id == id; });
    if (found == engines_.end() || found->started) {
        return;
    }
    if (!result.error.empty()) {
        // Stopping cancels a start that is late, so the sound is never heard besides the
        // fallback's.
        teardown(id);
        answer(result.error);
        return;
    }
    found->started = true;
    // A net under the completion: the playback goes at the latest two seconds after its end.
    std::weak_ptr<bool> alive = alive_;
    const double heard = std::clamp(result.duration, 0.0, maxSoundSeconds);
    found->net = scheduler_.after(seconds(heard + 2.0), [this, alive, id] {
        if (!alive.expired()) {
            teardown(id);
        }
    });
    answer({});
}

void ActionRunner::playBuiltinFallback(const std::string& name, const Alert& alert,
                                       bool orDefault) {
    const std::string asked = orDefault ? name : std::string(SoundRef::defaultToneName);
    playNamed(asked, alert, [this, name, alert, orDefault](const NamedSoundStart& result) {
        const std::string& app = alert.app;
        switch (result.status) {
        case NamedSoundStart::Status::notFound:
            if (orDefault) {
                playBuiltinFallback(name, alert, false);
                return;
            }
            log("[action] app=" + inQuotes(app) + ": no sound named " + inQuotes(name) +
                " (and default missing) - nothing played");
            return;
        case NamedSoundStart::Status::failed:
            // Found but not playable (no audio server): reporting it as played would be false.
            log("[action] app=" + inQuotes(app) + ": builtin " + inQuotes(name) +
                " fallback could not play (" + result.error + ") - nothing played");
            return;
        case NamedSoundStart::Status::playing:
            break;
        }
        log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(alert.ruleName) +
            ": builtin " + inQuotes(name) + " @ vol " + volumeText(alert.volume) +
            " (NSSound fallback, capped 100%)");
    });
}

void ActionRunner::playNamed(const std::string& name, const Alert& alert,
                             std::function<void(const NamedSoundStart&)> answer) {
    prune();
    const std::uint64_t id = nextId_++;
    std::weak_ptr<bool> alive = alive_;
    auto shared = std::make_shared<std::function<void(const NamedSoundStart&)>>(std::move(answer));
    systemSounds_.push_back(Fallback{id, alert.uuid, nullptr, false, {}});
    systemSounds_.back().net = scheduler_.after(answerNet, [this, alive, id, shared] {
        if (!alive.expired()) {
            namedAnswered(id, {NamedSoundStart::Status::failed, noAnswer}, *shared);
        }
    });
    auto sound = namedSounds_.play(name, std::min(alert.volume, 1.0),
                                   [this, alive, id, shared](const NamedSoundStart& result) {
                                       if (!alive.expired()) {
                                           namedAnswered(id, result, *shared);
                                       }
                                   });
    auto found = std::find_if(systemSounds_.begin(), systemSounds_.end(),
                              [&](const Fallback& f) { return f.id == id; });
    if (found != systemSounds_.end()) {
        found->sound = std::move(sound);
    } else if (sound) {
        // Answered already, and not playing (a playing answer keeps its entry).
        sound->stop();
    }
}

void ActionRunner::namedAnswered(std::uint64_t id, const NamedSoundStart& result,
                                 const std::function<void(const NamedSoundStart&)>& answer) {
    auto found = std::find_if(systemSounds_.begin(), systemSounds_.end(),
                              [&](const Fallback& f) { return f.id == id; });
    if (found == systemSounds_.end() || found->answered) {
        return;
    }
    found->answered = true;
    found->net.reset();
    if (result.status != NamedSoundStart::Status::playing) {
        if (found->sound) {
            found->sound->stop();
        }
        systemSounds_.erase(found);
    }
    answer(result);
}

void ActionRunner::prune() {
    std::erase_if(systemSounds_, [](const Fallback& f) {
        return f.answered && (!f.sound || !f.sound->isPlaying());
    });
}

void ActionRunner::teardown(std::uint64_t engineId) {
    // Whichever of the completion, the safety net and a stop comes first; the rest find nothing.
    auto found = std::find_if(engines_.begin(), engines_.end(),
                              [&](const Engine& e) { return e.id == engineId; });
    if (found == engines_.end()) {
        return;
    }
    auto engine = std::move(*found);
    engines_.erase(found);
    if (engine.playback) {
        engine.playback->stop();
    }
}

} // namespace corvale
