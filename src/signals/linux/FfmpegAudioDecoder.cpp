#include "signals/linux/FfmpegAudioDecoder.h"

#include "signals/linux/FfmpegSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace corvale {
namespace {

// After this many packets in a row that do not decode, the file is taken as undecodable rather
// than read to its end.
constexpr int maxDecodeErrorsInARow = 64;
// The smallest probing budget FFmpeg accepts.
constexpr int64_t minProbeBytes = 32;

class FfmpegAudioStream : public AudioStream {
public:
    ~FfmpegAudioStream() override {
        swr_free(&resampler_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        ffmpeg::closeInput(&format_);
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_uninit(&outLayout_);
    }

    // Opens the container and the decoder and decodes the first audio.
    std::string open(const std::string& path) {
        if (auto error = ffmpeg::openInput(&format_, path); !error.empty()) {
            return error;
        }
        int ret = 0;
        const AVCodec* decoder = nullptr;
        streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        // Probing reads and decodes ahead, for a short sound to its very end; a header that names
        // the codec, rate and channels already tells us all we need.
        if (streamIndex_ < 0 || !decoder || !headerDescribes(format_->streams[streamIndex_])) {
            ret = avformat_find_stream_info(format_, nullptr);
            if (ret < 0) {
                return ffmpeg::errorText(ret);
            }
            decoder = nullptr;
            streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        }
        if (streamIndex_ < 0 || !decoder) {
            return "the file has no audio";
        }
        // A 16-bit WAV has its first packets probed for compressed audio in disguise, up to 32 of
        // them with the default budget: a short tone is read and probed whole, some 20 ms, before
        // its first sample comes out. One packet, a few kilobytes, is enough to recognise those.
        format_->probesize = minProbeBytes;
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            if (static_cast<int>(i) != streamIndex_) {
                format_->streams[i]->discard = AVDISCARD_ALL;
            }
        }
        AVStream* stream = format_->streams[streamIndex_];
        codec_ = avcodec_alloc_context3(decoder);
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!codec_ || !packet_ || !frame_) {
            return "out of memory";
        }
        ret = avcodec_parameters_to_context(codec_, stream->codecpar);
        if (ret < 0) {
            return ffmpeg::errorText(ret);
        }
        codec_->pkt_timebase = stream->time_base;
        ret = avcodec_open2(codec_, decoder, nullptr);
        if (ret < 0) {
            return ffmpeg::errorText(ret);
        }
        sampleRate_ = codec_->sample_rate;
        const int inputChannels = codec_->ch_layout.nb_channels;
        if (sampleRate_ <= 0 || inputChannels <= 0) {
            return "the audio has no sample rate or channels";
        }
        av_channel_layout_default(&outLayout_, inputChannels == 1 ? 1 : 2);
        startTime_ = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
            duration_ = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
        } else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
            duration_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
        }

        decodeMore();
        if (bufferedFrames() == 0) {
            return error_.empty() ? "the file holds no audio samples" : error_;
        }
        return {};
    }

    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return outLayout_.nb_channels; }
    double duration() const override { return duration_; }
    const std::string& error() const override { return error_; }

    std::size_t read(float* out, std::size_t maxFrames) override {
        const auto width = static_cast<std::size_t>(channels());
        std::size_t written = 0;
        while (written < maxFrames) {
            const std::size_t available = bufferedFrames();
            if (available == 0) {
                if (finished_) {
                    break;
                }
                decodeMore();
                continue;
            }
            const std::size_t take = std::min(available, maxFrames - written);
            std::memcpy(out + written * width, buffer_.data() + bufferPos_ * width,
                        take * width * sizeof(float));
            bufferPos_ += take;
            written += take;
        }
        return written;
    }

    bool seek(double seconds) override {
        if (!std::isfinite(seconds) || seconds < 0) {
            return false;
        }
        AVStream* stream = format_->streams[streamIndex_];
        const auto target =
            startTime_ + static_cast<int64_t>(std::floor(seconds / av_q2d(stream->time_base)));
        if (av_seek_frame(format_, streamIndex_, target, AVSEEK_FLAG_BACKWARD) < 0) {
            return false;
        }
        avcodec_flush_buffers(codec_);
        swr_free(&resampler_);
        buffer_.clear();
        bufferPos_ = 0;
        finished_ = false;
        flushing_ = false;
        error_.clear();
        errorsInARow_ = 0;
        skipUntil_ = seconds;
        return true;
    }

private:
    static bool headerDescribes(const AVStream* stream) {
        const AVCodecParameters* codec = stream->codecpar;
        return codec->codec_id != AV_CODEC_ID_NONE && codec->sample_rate > 0 &&
               codec->ch_layout.nb_channels > 0;
    }

    std::size_t bufferedFrames() const {
        return buffer_.size() / static_cast<std::size_t>(channels()) - bufferPos_;
    }

    // Decodes until at least one frame is buffered or the stream has ended.
    void decodeMore() {
        buffer_.clear();
        bufferPos_ = 0;
        while (!finished_ && buffer_.empty()) {
            const int ret = avcodec_receive_frame(codec_, frame_);
            if (ret == 0) {
                errorsInARow_ = 0;
                decodedAny_ = true;
                convert(frame_);
                av_frame_unref(frame_);
            } else if (ret == AVERROR(EAGAIN)) {
                feedPacket();
            } else if (ret == AVERROR_EOF) {
                convert(nullptr);
                finished_ = true;
                if (!decodedAny_ && !lastDecodeError_.empty()) {
                    error_ = lastDecodeError_;
                }
            } else {
                noteDecodeError(ret);
            }
        }
    }

    void feedPacket() {
        if (flushing_) {
            // The decoder wants input after the end was signalled; nothing more will come.
            finished_ = true;
            return;
        }
        const int ret = av_read_frame(format_, packet_);
        if (ret < 0) {
            if (ret != AVERROR_EOF) {
                lastDecodeError_ = ffmpeg::errorText(ret);
            }
            flushing_ = true;
            avcodec_send_packet(codec_, nullptr);
            return;
        }
        if (packet_->stream_index == streamIndex_) {
            const int sent = avcodec_send_packet(codec_, packet_);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                noteDecodeError(sent);
            }
        }
        av_packet_unref(packet_);
    }

    void noteDecodeError(int ret) {
        lastDecodeError_ = ffmpeg::errorText(ret);
        if (++errorsInARow_ >= maxDecodeErrorsInARow) {
            error_ = decodedAny_ ? "the audio breaks off: " + lastDecodeError_
                                 : "the audio does not decode: " + lastDecodeError_;
            finished_ = true;
        }
    }

    bool resamplerFits(const AVFrame* frame) const {
        return resampler_ && frame->format == inFormat_ && frame->sample_rate == inRate_ &&
               av_channel_layout_compare(&frame->ch_layout, &inLayout_) == 0;
    }

    bool prepareResampler(const AVFrame* frame) {
        swr_free(&resampler_);
        av_channel_layout_uninit(&inLayout_);
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&inLayout_, frame->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&inLayout_, &frame->ch_layout) < 0) {
            return false;
        }
        inFormat_ = frame->format;
        inRate_ = frame->sample_rate;
        if (swr_alloc_set_opts2(&resampler_, &outLayout_, AV_SAMPLE_FMT_FLT, sampleRate_,
                                &inLayout_, static_cast<AVSampleFormat>(inFormat_), inRate_, 0,
                                nullptr) < 0 ||
            swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return false;
        }
        // Compare against the frame's own layout next time, even when it was unspecified.
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_copy(&inLayout_, &frame->ch_layout);
        return true;
    }

    // Converts one decoded frame (null: whatever the resampler still holds) into the buffer,
    // dropping what lies before a seek target.
    void convert(const AVFrame* frame) {
        if (frame && !resamplerFits(frame) && !prepareResampler(frame)) {
            noteDecodeError(AVERROR(EINVAL));
            return;
        }
        if (!resampler_) {
            return;
        }
        const int inputFrames = frame ? frame->nb_samples : 0;
        const int capacity = swr_get_out_samples(resampler_, inputFrames);
        if (capacity <= 0) {
            return;
        }
        const auto width = static_cast<std::size_t>(channels());
        std::vector<float> converted(static_cast<std::size_t>(capacity) * width);
        auto* out = reinterpret_cast<uint8_t*>(converted.data());
        const int produced = swr_convert(
            resampler_, &out, capacity,
            frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inputFrames);
        if (produced <= 0) {
            return;
        }
        std::size_t skip = 0;
        if (skipUntil_ > 0 && frame) {
            const int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE) {
                const double start = static_cast<double>(pts - startTime_) *
                                     av_q2d(format_->streams[streamIndex_]->time_base);
                const double late = (skipUntil_ - start) * sampleRate_;
                skip = late > 0 ? static_cast<std::size_t>(std::llround(late)) : 0;
            }
            skip = std::min(skip, static_cast<std::size_t>(produced));
            if (skip < static_cast<std::size_t>(produced)) {
                skipUntil_ = 0;
            }
        }
        buffer_.insert(buffer_.end(), converted.begin() + static_cast<std::ptrdiff_t>(skip * width),
                       converted.begin() + static_cast<std::ptrdiff_t>(produced) *
                                               static_cast<std::ptrdiff_t>(width));
    }

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVChannelLayout inLayout_{};
    AVChannelLayout outLayout_{};
    int inFormat_ = -1;
    int inRate_ = 0;
    int streamIndex_ = -1;
    int sampleRate_ = 0;
    int64_t startTime_ = 0;
    double duration_ = 0;
    double skipUntil_ = 0;
    std::vector<float> buffer_;
    std::size_t bufferPos_ = 0;
    bool finished_ = false;
    bool flushing_ = false;
    bool decodedAny_ = false;
    int errorsInARow_ = 0;
    std::string lastDecodeError_;
    std::string error_;
};

} // namespace

FfmpegAudioDecoder::FfmpegAudioDecoder() {
    ffmpeg::quietLogging();
}

OpenedAudio FfmpegAudioDecoder::open(const std::string& path) {
    auto stream = std::make_unique<FfmpegAudioStream>();
    std::string error = stream->open(path);
    if (!error.empty()) {
        return {nullptr, std::move(error)};
    }
    return {std::move(stream), {}};
}

} // namespace corvale
