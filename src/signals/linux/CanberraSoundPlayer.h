#pragma once

#include "signals/NamedSoundPlayer.h"

#include <memory>
#include <string>
#include <vector>

namespace corvale {

class CanberraWorker;

// Plays named sounds with libcanberra through PulseAudio. A name is first looked up as a sound
// file in the given folders (played by file name), then as an event sound of the freedesktop
// theme. Use it on one thread.
//
// libcanberra waits for the audio server without a time limit, so its calls run on a thread of
// their own and play() waits for them only so long: a server that accepts the connection and then
// never answers fails the sound instead of freezing the caller.
class CanberraSoundPlayer : public NamedSoundPlayer {
public:
    explicit CanberraSoundPlayer(std::vector<std::string> folders);
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    NamedSoundStart play(const std::string& name, double volume) override;

private:
    std::string fileNamed(const std::string& name) const;

    std::vector<std::string> folders_;
    std::shared_ptr<CanberraWorker> worker_;
    unsigned nextId_ = 1;
};

} // namespace corvale
