#pragma once

#include <string>

struct AVFormatContext;

namespace corvale::ffmpeg {

// Why a path that names no plain file (a named pipe, a device, a folder) is not read.
inline constexpr const char* notARegularFile = "not a regular file";

// Opens a file's container as avformat_open_input does, but only a regular file, checked before
// it is opened and again on the open file, so that no reader ever waits on a named pipe or a
// device. Empty on success; otherwise why, and *format stays null. Close with closeInput().
std::string openInput(AVFormatContext** format, const std::string& path);
void closeInput(AVFormatContext** format);

// FFmpeg's text for one of its error codes.
std::string errorText(int code);

// Keeps FFmpeg's own messages about damaged files off standard error; we report failures ourselves.
void quietLogging();

} // namespace corvale::ffmpeg
