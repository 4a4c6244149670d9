#include "core/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvale {

RegularFile openRegularFile(const std::filesystem::path& path) {
    RegularFile file;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        file.error = errno;
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        file.notRegular = true;
        return file;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        file.error = errno;
        return file;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        file.error = errno;
        file.notRegular = true;
        ::close(fd);
        return file;
    }
    file.fd = fd;
    file.size = static_cast<long long>(info.st_size);
    return file;
}

} // namespace corvale
