#include "signals/ActionRunner.h"

#include "signals/SoundLibrary.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvale {

ActionRunner::ActionRunner(AudioDecoder& decoder, AudioEngine& engine,
                           NamedSoundPlayer& namedSounds, Scheduler& scheduler,
                           std::vector<std::filesystem::path> soundDirs)
    : decoder_(decoder), engine_(engine), namedSounds_(namedSounds), scheduler_(scheduler),
      soundDirs_(std::move(soundDirs)) {}

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

void ActionRunner::run(const Rule& rule, const ObservedNotification& notification) {
    const std::string& app = notification.appName;
    const std::string& ruleName = rule.appDisplayName;
    const double volume = rule.volume;

    if (rule.sound.isSilent()) {
        log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(ruleName) +
            ": silent (nothing played)");
        return;
    }
    if (playingCount() >= maxPlaying) {
        log("[action] app=" + inQuotes(app) + ": " + std::to_string(maxPlaying) +
            " sounds already playing - skipped");
        return;
    }
    if (auto* file = std::get_if<SoundRef::File>(&rule.sound.value)) {
        std::filesystem::path path = file->url.path();
        if (auto error = playAmplified(path, volume)) {
            log("[action] app=" + inQuotes(app) + ": could not play file " + path.string() + ": " +
                *error + " - nothing played");
        } else {
            log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(ruleName) + ": file " +
                path.filename().string() + " @ vol " + volumeText(volume) + " (engine)");
        }
        return;
    }
    const std::string& name = std::get<SoundRef::Builtin>(rule.sound.value).name;
    auto found = SoundLibrary::url(name, soundDirs_);
    if (!found) {
        playBuiltinFallback(name, volume, app, ruleName);
        return;
    }
    if (auto error = playAmplified(*found, volume)) {
        log("[action] app=" + inQuotes(app) + ": builtin " + inQuotes(name) +
            " engine play failed (" + *error + ") - falling back to NSSound");
        playBuiltinFallback(name, volume, app, ruleName);
        return;
    }
    log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(ruleName) + ": builtin " +
        inQuotes(name) + " @ vol " + volumeText(volume) + " (engine)");
}

std::optional<std::string> ActionRunner::playAmplified(const std::filesystem::path& file,
                                                       double volume) {
    auto opened = decoder_.open(file.string());
    if (!opened.stream) {
        return opened.error.empty() ? std::string("could not open the file") : opened.error;
    }
    double duration = opened.stream->duration();
    auto gain = static_cast<float>(std::pow(10.0, gainDecibels(volume) / 20.0));
    std::uint64_t id = nextEngineId_++;
    std::weak_ptr<bool> alive = alive_;
    auto started =
        engine_.start(std::move(opened.stream), gain, 0.0, [this, alive, id](const std::string&) {
            if (!alive.expired()) {
                teardown(id);
            }
        });
    if (!started.playback) {
        return started.error.empty() ? std::string("the audio engine did not start")
                                     : started.error;
    }
    prune();
    Engine engine;
    engine.id = id;
    engine.playback = std::move(started.playback);
    // A net under the completion: the playback goes at the latest two seconds after its end.
    auto safety = std::chrono::duration_cast<Millis>(
        std::chrono::duration<double>(std::max(duration, 0.0) + 2.0));
    engine.safetyNet = scheduler_.after(safety, [this, alive, id] {
        if (!alive.expired()) {
            teardown(id);
        }
    });
    engines_.push_back(std::move(engine));
    return std::nullopt;
}

void ActionRunner::playBuiltinFallback(const std::string& name, double volume,
                                       const std::string& app, const std::string& ruleName) {
    double capped = std::min(volume, 1.0);
    auto started = namedSounds_.play(name, capped);
    if (started.status == NamedSoundStart::Status::notFound) {
        started = namedSounds_.play("Submarine", capped);
    }
    switch (started.status) {
    case NamedSoundStart::Status::notFound:
        log("[action] app=" + inQuotes(app) + ": no sound named " + inQuotes(name) +
            " (and default missing) - nothing played");
        return;
    case NamedSoundStart::Status::failed:
        // Found but not playable (no audio server): reporting it as played would be false.
        log("[action] app=" + inQuotes(app) + ": builtin " + inQuotes(name) +
            " fallback could not play (" + started.error + ") - nothing played");
        return;
    case NamedSoundStart::Status::playing:
        break;
    }
    prune();
    systemSounds_.push_back(std::move(started.sound));
    log("[action] app=" + inQuotes(app) + " \u2192 rule " + inQuotes(ruleName) + ": builtin " +
        inQuotes(name) + " @ vol " + volumeText(volume) + " (NSSound fallback, capped 100%)");
}

void ActionRunner::prune() {
    std::erase_if(systemSounds_,
                  [](const std::unique_ptr<NamedSound>& s) { return !s || !s->isPlaying(); });
}

void ActionRunner::teardown(std::uint64_t engineId) {
    // Whichever of the completion and the safety net comes first; the second finds nothing.
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
