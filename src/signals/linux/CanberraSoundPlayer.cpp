#include "signals/linux/CanberraSoundPlayer.h"

#include "core/Text.h"

#include <canberra.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace corvale {

// One libcanberra context, and whether each sound started on it still plays. libcanberra reports
// a sound's end on its own thread; the answer is kept here so that asking never waits for
// libcanberra, which may be stuck on a server that does not answer.
class CanberraContext {
public:
    CanberraContext() = default;
    ~CanberraContext() {
        if (context_) {
            ca_context_destroy(context_);
        }
        std::lock_guard lock(mutex_);
        for (auto& [id, flag] : playing_) {
            *flag = false;
        }
    }
    CanberraContext(const CanberraContext&) = delete;
    CanberraContext& operator=(const CanberraContext&) = delete;

    // Connects to the audio server; returns libcanberra's error code.
    int open() {
        int ret = ca_context_create(&context_);
        if (ret < 0) {
            context_ = nullptr;
            return ret;
        }
        // The ALSA backend ignores volumes.
        ret = ca_context_set_driver(context_, "pulse");
        if (ret == CA_SUCCESS) {
            ret = ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Corvale",
                                          CA_PROP_APPLICATION_ID, "com.talvo.corvale", nullptr);
        }
        if (ret == CA_SUCCESS) {
            ret = ca_context_open(context_);
        }
        return ret;
    }

    // Plays the sound; on success the flag stays true until the sound has ended.
    int play(unsigned id, ca_proplist* properties, std::shared_ptr<std::atomic<bool>>& flag) {
        flag = std::make_shared<std::atomic<bool>>(true);
        {
            std::lock_guard lock(mutex_);
            playing_[id] = flag;
        }
        const int ret = ca_context_play_full(context_, id, properties, &onFinished, this);
        int playing = 0;
        // A sound that ended before the call returned gets no callback.
        if (ret < 0 || ca_context_playing(context_, id, &playing) < 0 || playing == 0) {
            finished(id);
        }
        return ret;
    }

private:
    static void onFinished(ca_context*, uint32_t id, int, void* userdata) {
        static_cast<CanberraContext*>(userdata)->finished(id);
    }
    void finished(uint32_t id) {
        std::lock_guard lock(mutex_);
        if (auto found = playing_.find(id); found != playing_.end()) {
            *found->second = false;
            playing_.erase(found);
        }
    }

    ca_context* context_ = nullptr;
    std::mutex mutex_;
    std::map<uint32_t, std::shared_ptr<std::atomic<bool>>> playing_;
};

// The thread that makes every libcanberra call, one at a time. A call that outlives the caller's
// patience goes on alone; until it returns, later calls are refused rather than queued behind it.
// The thread owns its state, so a call stuck for good does not hold up the program's exit.
class CanberraWorker {
public:
    using Task = std::function<void(std::shared_ptr<CanberraContext>& context)>;

    CanberraWorker() : state_(std::make_shared<State>()) {
        thread_ = std::thread([state = state_] { work(*state); });
    }
    ~CanberraWorker() {
        bool stuck = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->stop = true;
            stuck = state_->busy;
        }
        state_->wake.notify_all();
        if (stuck) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
    CanberraWorker(const CanberraWorker&) = delete;
    CanberraWorker& operator=(const CanberraWorker&) = delete;

    // Runs the task on the thread; false when it did not finish within timeout or an earlier
    // task is still running. The task may outlive this call: it must own what it touches.
    bool run(Task task, std::chrono::milliseconds timeout) {
        std::unique_lock lock(state_->mutex);
        if (state_->busy) {
            return false;
        }
        state_->task = std::move(task);
        state_->busy = true;
        state_->wake.notify_all();
        return state_->done.wait_for(lock, timeout, [&] { return !state_->busy; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable done;
        Task task;
        bool busy = false;
        bool stop = false;
        // Touched by the thread only.
        std::shared_ptr<CanberraContext> context;
    };

    static void work(State& state) {
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&] { return state.stop || state.task; });
            if (!state.task) {
                break;
            }
            auto task = std::move(state.task);
            state.task = nullptr;
            lock.unlock();
            task(state.context);
            task = nullptr;
            lock.lock();
            state.busy = false;
            state.done.notify_all();
            if (state.stop) {
                break;
            }
        }
        lock.unlock();
        state.context.reset();
    }

    std::shared_ptr<State> state_;
    std::thread thread_;
};

namespace {

// libcanberra reads WAV and Ogg Vorbis, nothing else.
constexpr std::array playableExtensions{".wav", ".oga", ".ogg"};

// How long play() waits for libcanberra: a working server answers in milliseconds.
constexpr std::chrono::seconds answerTimeout{2};

class CanberraSound : public NamedSound {
public:
    CanberraSound(std::shared_ptr<CanberraContext> context,
                  std::shared_ptr<std::atomic<bool>> playing)
        : context_(std::move(context)), playing_(std::move(playing)) {}
    bool isPlaying() const override { return *playing_; }

private:
    // Keeps the connection, and so the sound, alive while the sound is held.
    std::shared_ptr<CanberraContext> context_;
    std::shared_ptr<std::atomic<bool>> playing_;
};

NamedSoundStart failed(std::string error) {
    return {NamedSoundStart::Status::failed, nullptr, std::move(error)};
}

// The volume in decibels; 0 (or not a number) gives -96 dB, as good as silent. libcanberra
// reads it with strtod, which follows the C locale a Qt program takes from the user, so the
// text is written in that same locale.
std::string decibelsText(double volume) {
    const double decibels =
        volume > 0 ? std::max(20.0 * std::log10(std::min(volume, 1.0)), -96.0) : -96.0;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.3f", decibels);
    return text.data();
}

// Plays once on the worker thread; returns libcanberra's code, so a lost connection can be told
// from other failures.
int playOnce(std::shared_ptr<CanberraContext>& context, unsigned id, const std::string& name,
             const std::string& file, double volume, NamedSoundStart& start) {
    if (!context) {
        auto opened = std::make_shared<CanberraContext>();
        const int ret = opened->open();
        if (ret < 0) {
            start = failed(std::string("libcanberra: ") + ca_strerror(ret));
            return ret;
        }
        context = std::move(opened);
    }
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) < 0) {
        start = failed("libcanberra: out of memory");
        return CA_ERROR_OOM;
    }
    if (file.empty()) {
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, name.c_str());
    } else {
        ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, file.c_str());
        ca_proplist_sets(properties, CA_PROP_MEDIA_NAME, name.c_str());
    }
    ca_proplist_sets(properties, CA_PROP_CANBERRA_VOLUME, decibelsText(volume).c_str());
    ca_proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    std::shared_ptr<std::atomic<bool>> playing;
    const int ret = context->play(id, properties, playing);
    ca_proplist_destroy(properties);
    if (ret == CA_ERROR_NOTFOUND && file.empty()) {
        start = {NamedSoundStart::Status::notFound, nullptr, {}};
    } else if (ret < 0) {
        start = failed(std::string("libcanberra: ") + ca_strerror(ret));
    } else {
        start = {NamedSoundStart::Status::playing,
                 std::make_unique<CanberraSound>(context, std::move(playing)),
                 {}};
    }
    return ret;
}

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(std::vector<std::string> folders)
    : folders_(std::move(folders)), worker_(std::make_shared<CanberraWorker>()) {}

CanberraSoundPlayer::~CanberraSoundPlayer() = default;

std::string CanberraSoundPlayer::fileNamed(const std::string& name) const {
    const std::string wanted = caseFolded(name);
    for (const auto& folder : folders_) {
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(folder, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
            const auto& path = it->path();
            const std::string extension = caseFolded(path.extension().string());
            if (std::find(playableExtensions.begin(), playableExtensions.end(), extension) ==
                playableExtensions.end()) {
                continue;
            }
            if (caseFolded(path.stem().string()) == wanted && it->is_regular_file(ec)) {
                return path.string();
            }
        }
    }
    return {};
}

NamedSoundStart CanberraSoundPlayer::play(const std::string& name, double volume) {
    const std::string file = fileNamed(name);
    const unsigned id = nextId_++;
    auto start = std::make_shared<NamedSoundStart>();
    const bool answered = worker_->run(
        [start, id, name, file, volume](std::shared_ptr<CanberraContext>& context) {
            const bool connected = context != nullptr;
            const int ret = playOnce(context, id, name, file, volume, *start);
            if (connected && (ret == CA_ERROR_STATE || ret == CA_ERROR_DISCONNECTED ||
                              ret == CA_ERROR_NOTAVAILABLE || ret == CA_ERROR_IO)) {
                // The server went away and may be back: a fresh connection finds it again.
                context.reset();
                playOnce(context, id, name, file, volume, *start);
            }
        },
        answerTimeout);
    if (!answered) {
        return failed("libcanberra: the audio server does not answer");
    }
    return std::move(*start);
}

} // namespace corvale
