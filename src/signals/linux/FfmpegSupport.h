#pragma once

#include <string>

namespace corvale::ffmpeg {

// FFmpeg's text for one of its error codes.
std::string errorText(int code);

// Keeps FFmpeg's own messages about damaged files off standard error; we report failures ourselves.
void quietLogging();

} // namespace corvale::ffmpeg
