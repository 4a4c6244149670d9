#pragma once

#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"
#include "signals/linux/DecoderThread.h"
#include "signals/linux/PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvale {

class MainThreadPost;
class PulseCore;

// The stream is asked for before the file is open, in the format of our own tones; its rate is
// changed when the file turns out to differ.
inline constexpr uint32_t guessedRate = 48000;

// One sound asked of the engine, shared by its playback and the event thread.
struct PulseSound {
    PulseCore* core = nullptr;
    std::weak_ptr<PulseSound> self;
    // Fixed before the state is shared.
    std::string path;
    float gain = 1.0f;
    double offset = 0;
    double limit = 0; // seconds; 0 plays to the end

    // With the event thread locked.
    pa_stream* stream = nullptr;
    pa_operation* drain = nullptr;
    pa_time_event* timer = nullptr;
    uint32_t streamRate = guessedRate;
    bool streamReady = false;
    std::unique_ptr<AudioStream> source;
    int sourceChannels = 0;
    double duration = 0;
    std::vector<float> firstBlock; // already in the output's two channels
    std::size_t firstBlockPos = 0;
    std::vector<float> narrow;
    std::size_t framesSent = 0;
    bool sourceEnded = false;
    std::string sourceError;
    bool startReported = false;
    bool over = false; // the event thread is done with it: failed, ended or stopped
    double stoppedAt = -1;

    std::atomic<bool> ended{false};

    // Main thread only.
    AudioEngine::Started started;
    AudioEngine::Finished finished;
    bool done = false;
};

// The sounds on PulseAudio's event thread, the connection, the decoder thread and the receiver of
// results on the main thread: one per engine, kept by the playbacks so that they can still be
// asked after the engine has gone.
class PulseCore {
public:
    // Create it on the Qt main thread, whose event loop delivers the results.
    explicit PulseCore(AudioDecoder& decoder);
    ~PulseCore();
    PulseCore(const PulseCore&) = delete;
    PulseCore& operator=(const PulseCore&) = delete;

    void shutdown();

    // Main thread: hands the request over and returns. It never takes the event thread's lock
    // here, which that thread holds while it decodes for the sounds already playing.
    void start(const std::shared_ptr<PulseSound>& state);
    void stop(PulseSound& state);
    double position(const PulseSound& state);

private:
    pa_mainloop_api* api() const { return connection_.api(); }

    // With the event thread locked.
    void takeRequests();
    void admit(const std::shared_ptr<PulseSound>& state);
    void connectionLost(const std::string& error);
    void connected();
    void openStream(PulseSound& state);
    void feed(PulseSound& state);
    static std::size_t readWide(PulseSound& state, float* out, std::size_t frames);
    void fill(PulseSound& state, std::size_t bytes);
    double positionLocked(const PulseSound& state) const;
    void reportStarted(PulseSound& state, std::string error, bool fileError = false);
    void fail(PulseSound& state, std::string error, bool fileError = false);
    void retire(PulseSound& state);
    static void detachCallbacks(pa_stream* stream);
    void reapSoon();
    void reap();

    void post(std::shared_ptr<PulseSound> state, PlaybackStarted result);
    void postFinished(std::shared_ptr<PulseSound> state, std::string error);

    void decoded(PulseSound& state, DecoderThread::Decoded result);

    static void onStreamState(pa_stream* stream, void* userdata);
    static void onWrite(pa_stream*, std::size_t bytes, void* userdata);
    static void onDrained(pa_stream*, int success, void* userdata);
    static void onTimeout(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                          void* userdata);
    static void onRequests(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t,
                           void* userdata);
    static void onReap(pa_mainloop_api*, pa_defer_event*, void* userdata);

    PulseConnection connection_;
    std::shared_ptr<MainThreadPost> poster_;
    bool running_ = false;

    // With the event thread locked.
    pa_defer_event* reaper_ = nullptr;
    pa_io_event* requestsEvent_ = nullptr;
    std::vector<std::shared_ptr<PulseSound>> active_;
    std::vector<std::shared_ptr<PulseSound>> retired_;
    std::vector<pa_stream*> replaced_;
    // The rate each file had when it last played, by path.
    static constexpr std::size_t maxKnownRates = 256;
    std::unordered_map<std::string, uint32_t> knownRates_;

    // Starts asked for by the main thread; the event fd wakes the event thread for them.
    int wakeFd_ = -1;
    std::mutex requestsMutex_;
    std::vector<std::shared_ptr<PulseSound>> requests_;

    // Opens the files while their streams are being set up; there while running_.
    std::unique_ptr<DecoderThread> decoderThread_;
};

} // namespace corvale
