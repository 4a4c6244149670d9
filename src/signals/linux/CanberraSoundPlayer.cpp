#include "signals/linux/CanberraSoundPlayer.h"

#include "core/Text.h"

#include <canberra.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace corvale {

// One libcanberra context; its sounds are cancelled when the last holder lets it go.
class CanberraContext {
public:
    CanberraContext() = default;
    ~CanberraContext() {
        if (context_) {
            ca_context_destroy(context_);
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
    ca_context* get() const { return context_; }

private:
    ca_context* context_ = nullptr;
};

namespace {

// libcanberra reads WAV and Ogg Vorbis, nothing else.
constexpr std::array playableExtensions{".wav", ".oga", ".ogg"};

class CanberraSound : public NamedSound {
public:
    CanberraSound(std::shared_ptr<CanberraContext> context, unsigned id)
        : context_(std::move(context)), id_(id) {}
    bool isPlaying() const override {
        int playing = 0;
        return ca_context_playing(context_->get(), id_, &playing) == CA_SUCCESS && playing != 0;
    }

private:
    std::shared_ptr<CanberraContext> context_;
    unsigned id_;
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

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(std::vector<std::string> folders)
    : folders_(std::move(folders)) {}

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
    const bool connected = context_ != nullptr;
    NamedSoundStart start;
    const int ret = playOnce(name, file, volume, start);
    if (connected && (ret == CA_ERROR_STATE || ret == CA_ERROR_DISCONNECTED ||
                      ret == CA_ERROR_NOTAVAILABLE || ret == CA_ERROR_IO)) {
        // The server went away and may be back: a fresh connection finds it again.
        context_.reset();
        playOnce(name, file, volume, start);
    }
    return start;
}

int CanberraSoundPlayer::playOnce(const std::string& name, const std::string& file, double volume,
                                  NamedSoundStart& start) {
    if (!context_) {
        auto context = std::make_shared<CanberraContext>();
        const int ret = context->open();
        if (ret < 0) {
            start = failed(std::string("libcanberra: ") + ca_strerror(ret));
            return ret;
        }
        context_ = std::move(context);
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
    const unsigned id = nextId_++;
    const int ret = ca_context_play_full(context_->get(), id, properties, nullptr, nullptr);
    ca_proplist_destroy(properties);
    if (ret == CA_ERROR_NOTFOUND && file.empty()) {
        start = {NamedSoundStart::Status::notFound, nullptr, {}};
    } else if (ret < 0) {
        start = failed(std::string("libcanberra: ") + ca_strerror(ret));
    } else {
        start = {
            NamedSoundStart::Status::playing, std::make_unique<CanberraSound>(context_, id), {}};
    }
    return ret;
}

} // namespace corvale
