#pragma once

#include "signals/AudioDecoder.h"

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
// the decoder: the event thread asks the server for a stream meanwhile.
class DecoderThread {
public:
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
        // Runs on the decoder thread.
        std::function<void(Decoded)> done;
    };

    // Starts the thread, which uses the decoder.
    explicit DecoderThread(AudioDecoder& decoder);
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    // From any thread; returns at once.
    void add(Job job);

    // Waits for the file being decoded, if any, and drops the rest; jobs added later are dropped
    // too. Called by the destructor at the latest.
    void stop();

private:
    void run();
    Decoded decode(const std::string& path, double offset);

    AudioDecoder& decoder_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace corvale
