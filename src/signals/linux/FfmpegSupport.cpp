#include "signals/linux/FfmpegSupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include "core/RegularFile.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

namespace corvale::ffmpeg {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    // For codes it does not know FFmpeg still writes a generic text with the number.
    av_strerror(code, text, sizeof text);
    return text;
}

std::string openInput(AVFormatContext** format, const std::string& path) {
    *format = nullptr;
    const auto file = openRegularFile(path);
    if (file.notRegular) {
        return notARegularFile;
    }
    if (!file) {
        return errorText(AVERROR(file.error));
    }
    AVIOContext* io = nullptr;
    // The open file under a name of its own, which no later swap of the path redirects.
    int ret =
        avio_open(&io, ("file:/proc/self/fd/" + std::to_string(file.fd)).c_str(), AVIO_FLAG_READ);
    close(file.fd);
    if (ret < 0) {
        return errorText(ret);
    }
    *format = avformat_alloc_context();
    if (!*format) {
        avio_closep(&io);
        return errorText(AVERROR(ENOMEM));
    }
    (*format)->pb = io;
    // The path still names the format, as its extension helps the probe.
    ret = avformat_open_input(format, path.c_str(), nullptr, nullptr);
    if (ret < 0) {
        avio_closep(&io);
        return errorText(ret);
    }
    return {};
}

void closeInput(AVFormatContext** format) {
    // Our own I/O context is not closed with the container.
    AVIOContext* io = *format ? (*format)->pb : nullptr;
    avformat_close_input(format);
    avio_closep(&io);
}

void quietLogging() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

} // namespace corvale::ffmpeg
