#pragma once

#include <memory>
#include <string>

namespace corvale {

// A sound started by a NamedSoundPlayer. It plays to its end whether or not this is kept.
class NamedSound {
public:
    virtual ~NamedSound() = default;
    virtual bool isPlaying() const = 0;
};

struct NamedSoundStart {
    enum class Status { playing, notFound, failed };
    Status status = Status::failed;
    std::unique_ptr<NamedSound> sound; // when playing
    std::string error;                 // when failed
};

// The desktop's simple player of sounds known by name.
class NamedSoundPlayer {
public:
    virtual ~NamedSoundPlayer() = default;
    // Plays the sound called name at volume, a linear factor limited to 0.0 ... 1.0.
    virtual NamedSoundStart play(const std::string& name, double volume) = 0;
};

} // namespace corvale
