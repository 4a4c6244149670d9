#pragma once

#include "signals/NamedSoundPlayer.h"

#include <memory>
#include <string>
#include <vector>

namespace corvale {

class CanberraWorker;
class MainThreadPost;

// Plays named sounds with libcanberra through PulseAudio. A name is first looked up as a sound
// file in the given folders (played by file name), then as an event sound of the freedesktop
// theme. Use it on the Qt main thread, which receives the answers.
//
// libcanberra waits for the audio server without a time limit, so the lookup and every call run
// on a thread of their own, and a sound without an answer within 2 s fails (and is cancelled
// should it start later). While a call is stuck that long, later sounds fail at once instead of
// queueing behind it.
class CanberraSoundPlayer : public NamedSoundPlayer {
public:
    explicit CanberraSoundPlayer(std::vector<std::string> folders);
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    std::unique_ptr<NamedSound> play(const std::string& name, double volume,
                                     Started started) override;

    // Lets the thread go and drops the answers not yet delivered. Called by the destructor at
    // the latest.
    void shutdown();

private:
    std::vector<std::string> folders_;
    std::shared_ptr<MainThreadPost> poster_;
    std::shared_ptr<CanberraWorker> worker_;
    unsigned nextId_ = 1;
};

} // namespace corvale
