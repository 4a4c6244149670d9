#include "support/DamagedAudio.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <cstdint>

namespace corvale::test {

bool makeWithFfmpeg(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"ffmpeg", "-v", "error", "-y"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv).exitCode == 0;
}

bool writeUndecodableM4a(const std::filesystem::path& path) {
    if (!makeWithFfmpeg(
            {"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a", "aac", path.string()})) {
        return false;
    }
    std::string bytes = readFile(path);
    const auto box = bytes.find("mdat");
    if (box == std::string::npos || box < 4) {
        return false;
    }
    std::uint32_t size = 0;
    for (std::size_t i = box - 4; i < box; ++i) {
        size = size << 8 | static_cast<unsigned char>(bytes[i]);
    }
    if (size < 8 || box - 4 + size > bytes.size()) {
        return false;
    }
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(box + 4),
              bytes.begin() + static_cast<std::ptrdiff_t>(box - 4 + size), '\0');
    writeFile(path, bytes);
    return true;
}

} // namespace corvale::test
