#include "signals/linux/FfmpegSupport.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace corvale::ffmpeg {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    // For codes it does not know FFmpeg still writes a generic text with the number.
    av_strerror(code, text, sizeof text);
    return text;
}

void quietLogging() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

} // namespace corvale::ffmpeg
