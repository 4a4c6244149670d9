#include "core/linux/SingleInstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace corvale {

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        problem_ = "could not open " + file.string() + ": " + std::strerror(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldElsewhere_ = errno == EWOULDBLOCK;
        problem_ = heldElsewhere_ ? "Corvale is already running in this session"
                                  : "could not lock " + file.string() + ": " + std::strerror(errno);
        ::close(fd);
        return;
    }
    // The pid helps a person find the running instance.
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] auto written = ::write(fd, pid.data(), pid.size());
    }
    fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace corvale
