#pragma once

#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"
#include "signals/NamedSoundPlayer.h"

#include <functional>
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

// Records each start. By default a start is answered at once (success, or failWith, or the file
// error of a broken path); with answerAtOnce false the test answers it with answer().
class FakeAudioEngine : public AudioEngine {
public:
    struct Started {
        std::string path;
        float gain;
        double offset;
        double limit;
        AudioEngine::Started started;
        Finished finished;
        std::shared_ptr<bool> playing;
        // What the playback reports as heard now; starts at the offset, moved by the test.
        std::shared_ptr<double> position;
        // Whether the sound was heard: it started and has not been stopped before that.
        bool answered = false;
    };
    std::vector<Started> starts;
    std::string failWith;         // when set, every start fails with this reason
    std::set<std::string> broken; // paths that do not decode
    double duration = 0.5;
    bool answerAtOnce = true;
    // Called as each start comes in, before it is recorded.
    std::function<void()> onStart;

    std::unique_ptr<AudioPlayback> start(const std::string& path, float gain, double offset,
                                         double limit, AudioEngine::Started started,
                                         Finished finished) override;
    // Answers start i as the engine would: with the error, or started when it is empty. Nothing
    // reaches a stopped playback.
    void answer(size_t i, const std::string& error = {});
    // Ends playback i as the audio server would when it has been heard to its end.
    void finish(size_t i);
    size_t playingCount() const;
};

// Knows the names it is given; plays them until stopped by the test. Answers at once unless
// answerAtOnce is false; then the test answers with answer().
class FakeNamedSoundPlayer : public NamedSoundPlayer {
public:
    struct Request {
        std::string name;
        double volume;
        Started started;
        std::shared_ptr<bool> playing;
    };
    std::set<std::string> known{"Submarine"};
    std::string failWith;
    bool answerAtOnce = true;
    std::vector<Request> requests;
    // The sounds that started: name and volume.
    std::vector<std::pair<std::string, double>> played;
    std::vector<std::shared_ptr<bool>> playing;

    std::unique_ptr<NamedSound> play(const std::string& name, double volume,
                                     Started started) override;
    void answer(size_t i);
};

} // namespace corvale::test
