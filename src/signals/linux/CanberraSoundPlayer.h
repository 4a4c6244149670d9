#pragma once

#include "signals/NamedSoundPlayer.h"

#include <memory>
#include <string>
#include <vector>

namespace corvale {

class CanberraContext;

// Plays named sounds with libcanberra through PulseAudio. A name is first looked up as a sound
// file in the given folders (played by file name), then as an event sound of the freedesktop
// theme. Use it on one thread.
class CanberraSoundPlayer : public NamedSoundPlayer {
public:
    explicit CanberraSoundPlayer(std::vector<std::string> folders);
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    NamedSoundStart play(const std::string& name, double volume) override;

private:
    std::string fileNamed(const std::string& name) const;
    // Returns libcanberra's code, so a lost connection can be told from other failures.
    int playOnce(const std::string& name, const std::string& file, double volume,
                 NamedSoundStart& start);

    std::vector<std::string> folders_;
    std::shared_ptr<CanberraContext> context_;
    unsigned nextId_ = 1;
};

} // namespace corvale
