#include "signals/linux/CanberraSoundPlayer.h"

#include "core/Text.h"
#include "signals/linux/MainThreadPost.h"

#include <canberra.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
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
    int play(unsigned id, ca_proplist* properties, std::shared_ptr<std::atomic<bool>> flag) {
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

    void cancel(unsigned id) {
        ca_context_cancel(context_, id);
        finished(id);
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

// The thread that makes every libcanberra call, one at a time, in the order asked. The thread
// owns its state, so a call stuck for good does not hold up the program's exit.
class CanberraWorker {
public:
    using Task = std::function<void(std::shared_ptr<CanberraContext>& context)>;
    using Clock = std::chrono::steady_clock;

    CanberraWorker() : state_(std::make_shared<State>()) {
        thread_ = std::thread([state = state_] { work(*state); });
    }
    ~CanberraWorker() { shutdown(); }
    CanberraWorker(const CanberraWorker&) = delete;
    CanberraWorker& operator=(const CanberraWorker&) = delete;

    void shutdown() {
        if (!thread_.joinable()) {
            return;
        }
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

    void enqueue(Task task) {
        {
            std::lock_guard lock(state_->mutex);
            state_->tasks.push_back(std::move(task));
        }
        state_->wake.notify_all();
    }

    // Whether a call has been running for longer than patience.
    bool stuck(Clock::duration patience) const {
        std::lock_guard lock(state_->mutex);
        return state_->busy && Clock::now() - state_->busySince >= patience;
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable wake;
        std::deque<Task> tasks;
        bool busy = false;
        Clock::time_point busySince;
        bool stop = false;
        // Touched by the thread only.
        std::shared_ptr<CanberraContext> context;
    };

    static void work(State& state) {
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&] { return state.stop || !state.tasks.empty(); });
            if (state.stop) {
                break;
            }
            auto task = std::move(state.tasks.front());
            state.tasks.pop_front();
            state.busy = true;
            state.busySince = Clock::now();
            lock.unlock();
            task(state.context);
            task = nullptr;
            lock.lock();
            state.busy = false;
        }
        state.tasks.clear();
        lock.unlock();
        state.context.reset();
    }

    std::shared_ptr<State> state_;
    std::thread thread_;
};

namespace {

// libcanberra reads WAV and Ogg Vorbis, nothing else.
constexpr std::array playableExtensions{".wav", ".oga", ".ogg"};

// How long a sound may wait for libcanberra: a working server answers in milliseconds.
constexpr std::chrono::seconds answerTimeout{2};
constexpr const char* noAnswer = "libcanberra: the audio server does not answer";

// One sound asked for. The flags under the mutex settle the race between a late answer of the
// thread and the main thread's patience running out or a stop.
struct Request {
    unsigned id = 0;
    std::string name;
    double volume = 0;
    std::shared_ptr<std::atomic<bool>> playing = std::make_shared<std::atomic<bool>>(true);

    std::mutex mutex;
    bool answered = false;
    bool timedOut = false;
    bool cancelled = false;

    // Main thread only.
    NamedSoundPlayer::Started started;
    bool done = false;

    void deliver(const NamedSoundStart& result) {
        if (done) {
            return;
        }
        done = true;
        auto callback = std::move(started);
        if (callback) {
            callback(result);
        }
    }
};

class CanberraSound : public NamedSound {
public:
    CanberraSound(std::shared_ptr<Request> request, std::weak_ptr<CanberraWorker> worker)
        : request_(std::move(request)), worker_(std::move(worker)) {}
    bool isPlaying() const override { return *request_->playing; }
    void stop() override {
        request_->done = true;
        request_->started = nullptr;
        bool answered = false;
        {
            std::lock_guard lock(request_->mutex);
            request_->cancelled = true;
            answered = request_->answered;
        }
        if (answered && *request_->playing) {
            if (auto worker = worker_.lock()) {
                worker->enqueue([id = request_->id](std::shared_ptr<CanberraContext>& context) {
                    if (context) {
                        context->cancel(id);
                    }
                });
            }
        }
        *request_->playing = false;
    }

private:
    std::shared_ptr<Request> request_;
    std::weak_ptr<CanberraWorker> worker_;
};

NamedSoundStart failed(std::string error) {
    return {NamedSoundStart::Status::failed, std::move(error)};
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

std::string fileNamed(const std::string& name, const std::vector<std::string>& folders) {
    const std::string wanted = caseFolded(name);
    for (const auto& folder : folders) {
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

// Plays once on the worker thread; returns libcanberra's code, so a lost connection can be told
// from other failures.
int playOnce(std::shared_ptr<CanberraContext>& context, const Request& request,
             const std::string& file, NamedSoundStart& start) {
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
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, request.name.c_str());
    } else {
        ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, file.c_str());
        ca_proplist_sets(properties, CA_PROP_MEDIA_NAME, request.name.c_str());
    }
    ca_proplist_sets(properties, CA_PROP_CANBERRA_VOLUME, decibelsText(request.volume).c_str());
    ca_proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    *request.playing = true;
    const int ret = context->play(request.id, properties, request.playing);
    ca_proplist_destroy(properties);
    if (ret == CA_ERROR_NOTFOUND && file.empty()) {
        start = {NamedSoundStart::Status::notFound, {}};
    } else if (ret < 0) {
        start = failed(std::string("libcanberra: ") + ca_strerror(ret));
    } else {
        start = {NamedSoundStart::Status::playing, {}};
    }
    return ret;
}

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(std::vector<std::string> folders)
    : folders_(std::move(folders)), poster_(std::make_shared<MainThreadPost>()),
      worker_(std::make_shared<CanberraWorker>()) {}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    shutdown();
}

void CanberraSoundPlayer::shutdown() {
    worker_->shutdown();
    poster_->close();
}

std::unique_ptr<NamedSound> CanberraSoundPlayer::play(const std::string& name, double volume,
                                                      Started started) {
    auto request = std::make_shared<Request>();
    request->id = nextId_++;
    request->name = name;
    request->volume = volume;
    request->started = std::move(started);
    auto sound = std::make_unique<CanberraSound>(request, worker_);

    if (worker_->stuck(answerTimeout)) {
        *request->playing = false;
        poster_->post([request] { request->deliver(failed(noAnswer)); });
        return sound;
    }
    poster_->after(answerTimeout, [request] {
        {
            std::lock_guard lock(request->mutex);
            if (request->answered || request->cancelled) {
                return;
            }
            request->timedOut = true;
        }
        *request->playing = false;
        request->deliver(failed(noAnswer));
    });
    worker_->enqueue(
        [request, folders = folders_, poster = poster_](std::shared_ptr<CanberraContext>& context) {
            {
                std::lock_guard lock(request->mutex);
                if (request->cancelled || request->timedOut) {
                    return;
                }
            }
            const std::string file = fileNamed(request->name, folders);
            NamedSoundStart start;
            const bool connected = context != nullptr;
            const int ret = playOnce(context, *request, file, start);
            if (connected && (ret == CA_ERROR_STATE || ret == CA_ERROR_DISCONNECTED ||
                              ret == CA_ERROR_NOTAVAILABLE || ret == CA_ERROR_IO)) {
                // The server went away and may be back: a fresh connection finds it again.
                context.reset();
                playOnce(context, *request, file, start);
            }
            bool wanted = false;
            {
                std::lock_guard lock(request->mutex);
                wanted = !request->cancelled && !request->timedOut;
                request->answered = wanted;
            }
            if (start.status == NamedSoundStart::Status::playing && !wanted && context) {
                // Too late or no longer wanted: it must not be heard.
                context->cancel(request->id);
            }
            if (start.status != NamedSoundStart::Status::playing) {
                *request->playing = false;
            }
            if (wanted) {
                poster->post([request, start] { request->deliver(start); });
            }
        });
    return sound;
}

} // namespace corvale
