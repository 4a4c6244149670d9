// The floor of Notify → sound on this machine: a bare bus monitor that does nothing Corvale does
// besides what no player can skip. It becomes a monitor of Notify calls (as Corvale's reader does),
// holds a PulseAudio context connected before any alert, and for each Notify it sees opens one
// playback stream in the format Corvale's engine uses and writes a short buffer decoded at start.
// No rules, no files, no decoding per alert. corvale_bench_sound_floor runs it.
//
//   corvale_bench_floor_monitor TONE.wav [APP]    (APP: only Notify calls from that app name)
//
// Prints "ready" once both connections stand; with CORVALE_TRACE_AUDIO=1, writes when it saw each
// Notify to standard error, in the form of Corvale's own trace.

#include <pulse/pulseaudio.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t rate = 48000;

// The first 100 ms of a 16-bit mono WAV (our tones), as interleaved float stereo.
std::vector<float> firstBlockOf(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<float> out;
    const auto data = bytes.find("data");
    if (data == std::string::npos) {
        return out;
    }
    const std::size_t start = data + 8;
    const std::size_t frames = std::min<std::size_t>((bytes.size() - start) / 2, rate / 10);
    for (std::size_t i = 0; i < frames; ++i) {
        std::int16_t sample = 0;
        std::memcpy(&sample, bytes.data() + start + 2 * i, 2);
        out.push_back(static_cast<float>(sample) / 32768.0f);
        out.push_back(static_cast<float>(sample) / 32768.0f);
    }
    return out;
}

struct Player {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    std::vector<float> block;
};

void onContext(pa_context* context, void* userdata) {
    auto* player = static_cast<Player*>(userdata);
    const auto state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state)) {
        pa_threaded_mainloop_signal(player->loop, 0);
    }
}

void onDrained(pa_stream* stream, int, void*) {
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void onStream(pa_stream* stream, void* userdata) {
    auto* player = static_cast<Player*>(userdata);
    const auto state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        pa_stream_write(stream, player->block.data(), player->block.size() * sizeof(float), nullptr,
                        0, PA_SEEK_RELATIVE);
        pa_operation* drain = pa_stream_drain(stream, &onDrained, nullptr);
        if (drain) {
            pa_operation_unref(drain);
        }
    } else if (state == PA_STREAM_FAILED) {
        pa_stream_unref(stream);
    }
}

// On the bus thread: hands the stream request to the audio thread at once, as Corvale's engine
// does.
void play(Player& player) {
    pa_threaded_mainloop_lock(player.loop);
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, rate, 2};
    pa_proplist* list = pa_proplist_new();
    pa_proplist_sets(list, PA_PROP_MEDIA_ROLE, "event");
    pa_stream* stream =
        pa_stream_new_with_proplist(player.context, "floor sound", &format, nullptr, list);
    pa_proplist_free(list);
    if (stream) {
        pa_stream_set_state_callback(stream, &onStream, &player);
        pa_buffer_attr attributes{
            static_cast<std::uint32_t>(-1),
            static_cast<std::uint32_t>(pa_usec_to_bytes(100 * PA_USEC_PER_MSEC, &format)),
            static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
            static_cast<std::uint32_t>(-1)};
        pa_stream_connect_playback(stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr);
    }
    pa_threaded_mainloop_unlock(player.loop);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TONE.wav [APP]\n", argv[0]);
        return 2;
    }
    Player player;
    player.block = firstBlockOf(argv[1]);
    if (player.block.empty()) {
        std::fprintf(stderr, "no audio in %s\n", argv[1]);
        return 1;
    }
    player.loop = pa_threaded_mainloop_new();
    player.context = pa_context_new(pa_threaded_mainloop_get_api(player.loop), "floor monitor");
    pa_context_set_state_callback(player.context, &onContext, &player);
    pa_threaded_mainloop_lock(player.loop);
    pa_context_connect(player.context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
    pa_threaded_mainloop_start(player.loop);
    while (pa_context_get_state(player.context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(player.context))) {
            std::fprintf(stderr, "no audio server\n");
            return 1;
        }
        pa_threaded_mainloop_wait(player.loop);
    }
    pa_threaded_mainloop_unlock(player.loop);

    sd_bus* bus = nullptr;
    sd_bus_new(&bus);
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || sd_bus_set_address(bus, address) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_set_monitor(bus, 1) < 0 || sd_bus_start(bus) < 0) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    std::string rule = "type='method_call',interface='org.freedesktop.Notifications',"
                       "member='Notify'";
    if (argc > 2) {
        // The bus itself filters, so other apps' notifications never wake this process.
        rule += ",arg0='" + std::string(argv[2]) + "'";
    }
    const char* rules[] = {rule.c_str(), nullptr};
    sd_bus_message* call = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message_new_method_call(bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.Monitoring", "BecomeMonitor");
    sd_bus_message_append_strv(call, const_cast<char**>(rules));
    sd_bus_message_append(call, "u", 0u);
    if (sd_bus_call(bus, call, 0, &error, nullptr) < 0) {
        std::fprintf(stderr, "BecomeMonitor refused: %s\n", error.message ? error.message : "");
        return 1;
    }
    sd_bus_message_unref(call);
    const char* traceAudio = std::getenv("CORVALE_TRACE_AUDIO");
    const bool trace = traceAudio && std::strcmp(traceAudio, "1") == 0;
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        sd_bus_message* m = nullptr;
        const int r = sd_bus_process(bus, &m);
        if (r < 0) {
            return 0;
        }
        if (m) {
            if (sd_bus_message_is_method_call(m, "org.freedesktop.Notifications", "Notify")) {
                // The moment is taken first and written after the stream was asked for, so the
                // trace costs the floor no time before it.
                timespec seen{};
                clock_gettime(CLOCK_MONOTONIC, &seen);
                play(player);
                if (trace) {
                    std::fprintf(stderr, "corvale-trace %lld floor: Notify seen\n",
                                 static_cast<long long>(seen.tv_sec) * 1000000 +
                                     seen.tv_nsec / 1000);
                }
            }
            sd_bus_message_unref(m);
        }
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0) {
            return 0;
        }
    }
}
