#include "library/linux/FfmpegMediaTools.h"

#include "signals/linux/FfmpegAudioDecoder.h"
#include "signals/linux/FfmpegSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace corvale {
namespace {

// Decoding starts this far before the clip, so the decoder has settled when the clip begins.
constexpr double preRoll = 0.5;

ClipExportFailure failure(ClipExportFailure::Kind kind, std::string message = {}) {
    return {kind, std::move(message)};
}

ClipExportFailure exportFailed(const std::string& what, int code) {
    return failure(ClipExportFailure::Kind::exportFailed, what + ": " + ffmpeg::errorText(code));
}

bool isEncrypted(const AVStream* stream) {
    const auto tag = stream->codecpar->codec_tag;
    if (tag == MKTAG('d', 'r', 'm', 's') || tag == MKTAG('e', 'n', 'c', 'a')) {
        return true;
    }
    std::size_t size = 0;
    return av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, &size) != nullptr;
}

// An opened song: its container, its first audio stream and that stream's decoder.
struct Source {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    int index = -1;

    ~Source() {
        avcodec_free_context(&decoder);
        ffmpeg::closeInput(&format);
    }
    AVStream* stream() const { return format->streams[index]; }
};

// The clip being written: encoder, muxer and the queue that regroups samples into AAC frames.
struct Clip {
    AVCodecContext* encoder = nullptr;
    AVFormatContext* muxer = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t nextPts = 0;
    int64_t written = 0;

    ~Clip() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (fifo) {
            av_audio_fifo_free(fifo);
        }
        if (muxer) {
            if (muxer->pb) {
                avio_closep(&muxer->pb);
            }
            avformat_free_context(muxer);
        }
        avcodec_free_context(&encoder);
    }

    // Sends one frame (null: the end) to the encoder and writes what comes out.
    int encode(AVFrame* input) {
        int ret = avcodec_send_frame(encoder, input);
        if (ret < 0) {
            return ret;
        }
        for (;;) {
            ret = avcodec_receive_packet(encoder, packet);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
                return 0;
            }
            if (ret < 0) {
                return ret;
            }
            av_packet_rescale_ts(packet, encoder->time_base, muxer->streams[0]->time_base);
            packet->stream_index = 0;
            ret = av_interleaved_write_frame(muxer, packet);
            if (ret < 0) {
                return ret;
            }
        }
    }

    // Encodes whole frames from the queue; at the end also the short last one.
    int drain(bool atEnd) {
        const int size = encoder->frame_size > 0 ? encoder->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (atEnd && av_audio_fifo_size(fifo) > 0)) {
            const int count = std::min(size, av_audio_fifo_size(fifo));
            av_frame_unref(frame);
            frame->nb_samples = count;
            frame->format = encoder->sample_fmt;
            frame->sample_rate = encoder->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
            int ret = av_frame_get_buffer(frame, 0);
            if (ret < 0) {
                return ret;
            }
            if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), count) < count) {
                return AVERROR(EIO);
            }
            frame->pts = nextPts;
            nextPts += count;
            written += count;
            ret = encode(frame);
            if (ret < 0) {
                return ret;
            }
        }
        return 0;
    }
};

int supportedRate(const AVCodec* encoder, int wanted) {
    if (!encoder->supported_samplerates) {
        return wanted;
    }
    for (const int* rate = encoder->supported_samplerates; *rate; ++rate) {
        if (*rate == wanted) {
            return wanted;
        }
    }
    return 48000;
}

} // namespace

FfmpegMediaTools::FfmpegMediaTools() {
    ffmpeg::quietLogging();
}

SongLength FfmpegMediaTools::duration(const std::string& path) {
    using Problem = SongLength::Problem;
    AVFormatContext* format = nullptr;
    if (auto error = ffmpeg::openInput(&format, path); !error.empty()) {
        return {Problem::cannotOpen, 0, error};
    }
    SongLength length{Problem::unknownLength, 0, {}};
    if (const int ret = avformat_find_stream_info(format, nullptr); ret < 0) {
        length = {Problem::cannotOpen, 0, ffmpeg::errorText(ret)};
    } else if (av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) < 0) {
        length.problem = Problem::noAudioTrack;
    } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        const double seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
        if (std::isfinite(seconds)) {
            length = {Problem::none, seconds, {}};
        }
    }
    ffmpeg::closeInput(&format);
    return length;
}

bool FfmpegMediaTools::readMono(const std::string& path, const MonoSink& sink) {
    FfmpegAudioDecoder decoder;
    auto opened = decoder.open(path);
    if (!opened.stream) {
        return false;
    }
    auto& stream = *opened.stream;
    const auto channels = static_cast<std::size_t>(stream.channels());
    constexpr std::size_t block = 8192;
    std::vector<float> frames(block * channels);
    std::vector<float> mono(block);
    for (;;) {
        const std::size_t count = stream.read(frames.data(), block);
        for (std::size_t i = 0; i < count; ++i) {
            float sum = 0;
            for (std::size_t c = 0; c < channels; ++c) {
                sum += frames[i * channels + c];
            }
            mono[i] = sum / static_cast<float>(channels);
        }
        if (count > 0) {
            sink(mono.data(), count);
        }
        if (count < block) {
            return stream.error().empty();
        }
    }
}

std::optional<ClipExportFailure> FfmpegMediaTools::exportClip(const std::string& sourcePath,
                                                              double start, double length,
                                                              const std::string& targetPath) {
    using Kind = ClipExportFailure::Kind;
    if (!std::isfinite(start) || !std::isfinite(length) || start < 0 || length <= 0) {
        return failure(Kind::exportFailed, "the range is empty");
    }
    Source source;
    if (auto error = ffmpeg::openInput(&source.format, sourcePath); !error.empty()) {
        return failure(Kind::cannotOpen, error);
    }
    if (const int ret = avformat_find_stream_info(source.format, nullptr); ret < 0) {
        return failure(Kind::cannotOpen, ffmpeg::errorText(ret));
    }
    const AVCodec* decoderCodec = nullptr;
    source.index = av_find_best_stream(source.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoderCodec, 0);
    if (source.index < 0) {
        return failure(Kind::noAudioTrack);
    }
    if (isEncrypted(source.stream())) {
        return failure(Kind::protectedContent);
    }
    for (unsigned i = 0; i < source.format->nb_streams; ++i) {
        if (static_cast<int>(i) != source.index) {
            source.format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (!decoderCodec || !(source.decoder = avcodec_alloc_context3(decoderCodec)) ||
        avcodec_parameters_to_context(source.decoder, source.stream()->codecpar) < 0) {
        return failure(Kind::exportUnavailable);
    }
    source.decoder->pkt_timebase = source.stream()->time_base;
    if (avcodec_open2(source.decoder, decoderCodec, nullptr) < 0 ||
        source.decoder->sample_rate <= 0 || source.decoder->ch_layout.nb_channels <= 0) {
        return failure(Kind::exportUnavailable);
    }

    const std::filesystem::path target = targetPath;
    const std::filesystem::path temporary =
        target.parent_path() / ("." + target.filename().string() + ".part");
    std::error_code ec;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }
    std::filesystem::remove(target, ec);

    const AVCodec* encoderCodec = avcodec_find_encoder_by_name("aac");
    Clip clip;
    if (!encoderCodec || !(clip.encoder = avcodec_alloc_context3(encoderCodec)) ||
        avformat_alloc_output_context2(&clip.muxer, nullptr, "ipod", temporary.c_str()) < 0) {
        return failure(Kind::exportUnavailable);
    }
    const int rate = supportedRate(encoderCodec, source.decoder->sample_rate);
    const int channels = source.decoder->ch_layout.nb_channels == 1 ? 1 : 2;
    clip.encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    clip.encoder->sample_rate = rate;
    av_channel_layout_default(&clip.encoder->ch_layout, channels);
    clip.encoder->bit_rate = channels == 1 ? 128000 : 192000;
    clip.encoder->time_base = AVRational{1, rate};
    if (clip.muxer->oformat->flags & AVFMT_GLOBALHEADER) {
        clip.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVStream* out = nullptr;
    if (avcodec_open2(clip.encoder, encoderCodec, nullptr) < 0 ||
        !(out = avformat_new_stream(clip.muxer, nullptr)) ||
        avcodec_parameters_from_context(out->codecpar, clip.encoder) < 0 ||
        !(clip.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, 4096)) ||
        !(clip.frame = av_frame_alloc()) || !(clip.packet = av_packet_alloc())) {
        return failure(Kind::exportUnavailable);
    }
    out->time_base = clip.encoder->time_base;

    auto discard = [&] {
        if (clip.muxer->pb) {
            avio_closep(&clip.muxer->pb);
        }
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    };
    auto fail = [&](const std::string& what, int code) {
        discard();
        return exportFailed(what, code);
    };
    int ret = avio_open(&clip.muxer->pb, temporary.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) {
        return exportFailed("cannot write " + temporary.filename().string(), ret);
    }
    ret = avformat_write_header(clip.muxer, nullptr);
    if (ret < 0) {
        return fail("cannot start the file", ret);
    }

    AVStream* in = source.stream();
    const double timeBase = av_q2d(in->time_base);
    const int64_t startTime = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    if (start > preRoll) {
        const auto seekTo = startTime + static_cast<int64_t>((start - preRoll) / timeBase);
        if (av_seek_frame(source.format, source.index, seekTo, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(source.decoder);
        }
    }

    SwrContext* resampler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* decoded = av_frame_alloc();
    const double end = start + length;
    double position = 0; // seconds of the next converted sample
    bool encrypted = false;
    bool done = false;
    bool flushing = false;
    int damaged = 0;
    std::vector<float> planes;

    // Converts one decoded frame (null: the resampler's rest) and queues the part in the range.
    auto queue = [&](const AVFrame* frame) -> int {
        if (frame && !resampler) {
            AVChannelLayout inLayout{};
            if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
                av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
            } else {
                av_channel_layout_copy(&inLayout, &frame->ch_layout);
            }
            const int made = swr_alloc_set_opts2(
                &resampler, &clip.encoder->ch_layout, AV_SAMPLE_FMT_FLTP, rate, &inLayout,
                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
            av_channel_layout_uninit(&inLayout);
            if (made < 0 || swr_init(resampler) < 0) {
                return AVERROR(EINVAL);
            }
        }
        if (!resampler) {
            return 0;
        }
        if (frame && frame->best_effort_timestamp != AV_NOPTS_VALUE) {
            position = static_cast<double>(frame->best_effort_timestamp - startTime) * timeBase;
        }
        const int capacity = swr_get_out_samples(resampler, frame ? frame->nb_samples : 0);
        if (capacity <= 0) {
            return 0;
        }
        planes.resize(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(channels));
        uint8_t* outputs[2] = {reinterpret_cast<uint8_t*>(planes.data()),
                               reinterpret_cast<uint8_t*>(planes.data() + capacity)};
        const int produced =
            swr_convert(resampler, outputs, capacity,
                        frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                        frame ? frame->nb_samples : 0);
        if (produced <= 0) {
            return produced;
        }
        const double chunkStart = position;
        position += static_cast<double>(produced) / rate;
        const auto first = static_cast<int>(std::clamp(std::llround((start - chunkStart) * rate),
                                                       0LL, static_cast<long long>(produced)));
        const auto last = static_cast<int>(std::clamp(std::llround((end - chunkStart) * rate), 0LL,
                                                      static_cast<long long>(produced)));
        if (chunkStart >= end) {
            done = true;
        }
        if (last > first) {
            void* from[2] = {planes.data() + first, planes.data() + capacity + first};
            if (av_audio_fifo_write(clip.fifo, from, last - first) < last - first) {
                return AVERROR(ENOMEM);
            }
        }
        return clip.drain(false);
    };

    ret = 0;
    while (!done && ret >= 0) {
        const int received = avcodec_receive_frame(source.decoder, decoded);
        if (received == 0) {
            damaged = 0;
            ret = queue(decoded);
            av_frame_unref(decoded);
            continue;
        }
        if (received == AVERROR_EOF) {
            break;
        }
        if (received != AVERROR(EAGAIN)) {
            // A damaged frame: go on with the next, unless nothing decodes any more.
            if (++damaged >= 64) {
                break;
            }
            continue;
        }
        if (flushing) {
            break;
        }
        const int read = av_read_frame(source.format, packet);
        if (read < 0) {
            flushing = true;
            avcodec_send_packet(source.decoder, nullptr);
            continue;
        }
        if (packet->stream_index == source.index) {
            if (av_packet_get_side_data(packet, AV_PKT_DATA_ENCRYPTION_INFO, nullptr)) {
                encrypted = true;
                done = true;
            } else if (avcodec_send_packet(source.decoder, packet) < 0 && ++damaged >= 64) {
                done = true;
            }
        }
        av_packet_unref(packet);
    }
    if (ret >= 0 && !encrypted && !done) {
        ret = queue(nullptr);
    }
    av_packet_free(&packet);
    av_frame_free(&decoded);
    swr_free(&resampler);

    if (encrypted) {
        discard();
        return failure(Kind::protectedContent);
    }
    if (ret < 0) {
        return fail("cannot convert the audio", ret);
    }
    ret = clip.drain(true);
    if (ret >= 0) {
        ret = clip.encode(nullptr);
    }
    if (ret < 0) {
        return fail("cannot encode the clip", ret);
    }
    if (clip.written == 0) {
        // Nothing decoded where the track has audio: treated as protected, as DRM would show.
        discard();
        return failure(Kind::protectedContent);
    }
    ret = av_write_trailer(clip.muxer);
    if (ret < 0) {
        return fail("cannot finish the file", ret);
    }
    avio_closep(&clip.muxer->pb);
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return failure(Kind::exportFailed, "cannot move the clip into place: " + ec.message());
    }
    return std::nullopt;
}

} // namespace corvale
