#include "signals/linux/FfmpegSupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
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
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return errorText(AVERROR(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return notARegularFile;
    }
    // Non-blocking, so that a pipe put in the file's place since the check opens at once and is
    // turned away by the second check.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errorText(AVERROR(errno));
    }
    const bool regular = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    AVIOContext* io = nullptr;
    // The open file under a name of its own, which no later swap of the path redirects.
    int ret = regular ? avio_open(&io, ("file:/proc/self/fd/" + std::to_string(fd)).c_str(),
                                  AVIO_FLAG_READ)
                      : 0;
    close(fd);
    if (!regular) {
        return notARegularFile;
    }
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
