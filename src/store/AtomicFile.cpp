#include "store/AtomicFile.h"

#include "core/Uuid.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace corvale {

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string& error) {
    auto temp = target.parent_path() / ("." + target.filename().string() + "." +
                                        Uuid::random().str().substr(0, 8) + ".tmp");
    std::FILE* file = std::fopen(temp.c_str(), "wbx");
    if (!file) {
        error = "could not create " + temp.string() + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int writeErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        error = "could not write " + temp.string() + ": " + std::strerror(writeErrno);
        std::remove(temp.c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        error = "could not replace " + target.string() + ": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "could not open " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "could not read " + path.string();
        return false;
    }
    contents = std::move(buffer).str();
    return true;
}

} // namespace corvale
