#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvale::test {

// Runs ffmpeg, quiet and overwriting, with these arguments; whether it made its output.
bool makeWithFfmpeg(const std::vector<std::string>& arguments);

// Writes an AAC .m4a file whose container is intact but whose audio packets are all zero bytes:
// it opens like any song and not one packet decodes. Needs the ffmpeg program.
bool writeUndecodableM4a(const std::filesystem::path& path);

} // namespace corvale::test
