#pragma once

#include <functional>
#include <memory>
#include <string>

namespace corvale {

// A sound asked of a NamedSoundPlayer, from the request until it has ended. Letting it go does
// not stop it.
class NamedSound {
public:
    virtual ~NamedSound() = default;
    // True while the sound is starting or playing.
    virtual bool isPlaying() const = 0;
    // Stops the sound, or cancels it while it is still starting; no callback arrives afterwards.
    virtual void stop() = 0;
};

struct NamedSoundStart {
    enum class Status { playing, notFound, failed };
    Status status = Status::failed;
    std::string error; // when failed
};

// The desktop's simple player of sounds known by name.
class NamedSoundPlayer {
public:
    // Called once on the main thread, unless the sound was stopped first.
    using Started = std::function<void(const NamedSoundStart& result)>;

    virtual ~NamedSoundPlayer() = default;
    // Plays the sound called name at volume, a linear factor limited to 0.0 ... 1.0. Returns at
    // once; the outcome comes to started.
    virtual std::unique_ptr<NamedSound> play(const std::string& name, double volume,
                                             Started started) = 0;
};

} // namespace corvale
