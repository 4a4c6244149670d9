#pragma once

#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"
#include "signals/NamedSoundPlayer.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace corvale::test {

// Decodes every path except the ones listed as broken; streams are silent and of a set length.
class FakeAudioDecoder : public AudioDecoder {
public:
    std::set<std::string> broken;
    double duration = 0.5;
    std::vector<std::string> opened;

    OpenedAudio open(const std::string& path) override;
};

// Records each start; playbacks finish when the test says so.
class FakeAudioEngine : public AudioEngine {
public:
    struct Started {
        float gain;
        double offset;
        Finished finished;
        std::shared_ptr<bool> playing;
        // What the playback reports as heard now; starts at the offset, moved by the test.
        std::shared_ptr<double> position;
    };
    std::vector<Started> starts;
    std::string failWith; // when set, every start fails with this reason

    PlaybackStart start(std::unique_ptr<AudioStream> stream, float gain, double offset,
                        Finished finished) override;
    // Ends playback i as the audio server would when it has been heard to its end.
    void finish(size_t i);
    size_t playingCount() const;
};

// Knows the names it is given; plays them until stopped by the test.
class FakeNamedSoundPlayer : public NamedSoundPlayer {
public:
    std::set<std::string> known{"Submarine"};
    std::string failWith;
    std::vector<std::pair<std::string, double>> played;
    std::vector<std::shared_ptr<bool>> playing;

    NamedSoundStart play(const std::string& name, double volume) override;
};

} // namespace corvale::test
