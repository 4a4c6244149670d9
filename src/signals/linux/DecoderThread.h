#pragma once

#include "signals/AudioDecoder.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvale {

// Opens files and decodes their first audio on a thread of its own, one file at a time in the
// order asked, so that neither the main thread nor the audio event thread waits for the disk or
// the decoder: the event thread asks the server for a stream meanwhile. A file whose read hangs
// (a stalled network share) holds its thread, never the sounds after it: a thread stuck for
// longer than its patience is left behind and a new one takes the queue.
class DecoderThread {
public:
    using Clock = std::chrono::steady_clock;

    // What a file gave: its stream, past the offset and the first block, and that block in two
    // channels. When the file is at fault, no stream and why.
    struct Decoded {
        std::unique_ptr<AudioStream> stream;
        std::vector<float> firstBlock;
        std::string error;
    };

    struct Job {
        std::string path;
        double offset = 0;
        // Asked before the file is opened: a sound stopped meanwhile costs no decoding.
        std::function<bool()> wanted;
        // Runs on a decoder thread; never for a file whose thread was left behind.
        std::function<void(Decoded)> done;
    };

    // Starts the thread, which uses the decoder. A file decoding for longer than `patience` is
    // taken for stuck.
    explicit DecoderThread(AudioDecoder& decoder,
                           Clock::duration patience = std::chrono::seconds(1));
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    // From any thread; returns at once.
    void add(Job job);

    // Waits for the file being decoded, at most the patience, and drops the rest; jobs added later
    // are dropped too. No `done` runs once it returns. Called by the destructor at the latest.
    void stop();

private:
    struct State;
    static void run(const std::shared_ptr<State>& state, unsigned generation);
    void startThread();

    std::shared_ptr<State> state_;
    Clock::duration patience_;
    std::thread thread_;
};

} // namespace corvale
