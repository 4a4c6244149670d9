#include "signals/linux/PulseAudioEngine.h"

#include "signals/linux/PulseCore.h"

#include <utility>

namespace corvale {
namespace {

class PulsePlayback : public AudioPlayback {
public:
    PulsePlayback(std::shared_ptr<PulseCore> core, std::shared_ptr<PulseSound> state)
        : core_(std::move(core)), state_(std::move(state)) {}
    ~PulsePlayback() override { stop(); }
    PulsePlayback(const PulsePlayback&) = delete;
    PulsePlayback& operator=(const PulsePlayback&) = delete;

    double position() const override { return core_->position(*state_); }
    bool isPlaying() const override { return !state_->done && !state_->ended; }
    void stop() override {
        state_->done = true;
        state_->started = nullptr;
        state_->finished = nullptr;
        core_->stop(*state_);
    }

private:
    std::shared_ptr<PulseCore> core_;
    std::shared_ptr<PulseSound> state_;
};

} // namespace

PulseAudioEngine::PulseAudioEngine(AudioDecoder& decoder)
    : core_(std::make_shared<PulseCore>(decoder)) {}

PulseAudioEngine::~PulseAudioEngine() {
    shutdown();
}

void PulseAudioEngine::shutdown() {
    core_->shutdown();
}

std::unique_ptr<AudioPlayback> PulseAudioEngine::start(const std::string& path, float gain,
                                                       double offset, double limit, Started started,
                                                       Finished finished) {
    auto state = std::make_shared<PulseSound>();
    state->self = state;
    state->core = core_.get();
    state->path = path;
    state->gain = gain;
    state->offset = offset > 0 ? offset : 0;
    state->limit = limit > 0 ? limit : 0;
    state->started = std::move(started);
    state->finished = std::move(finished);
    core_->start(state);
    return std::make_unique<PulsePlayback>(core_, std::move(state));
}

} // namespace corvale
