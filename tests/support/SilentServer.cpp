#include "support/SilentServer.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvale::test {

SilentServer::SilentServer(std::filesystem::path path) : path_(std::move(path)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path_.string();
    if (text.size() >= sizeof address.sun_path) {
        return;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;
    }
    // Never accepted: a connection waits in the backlog, its requests unread.
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd_, 64) != 0) {
        close();
    }
}

SilentServer::~SilentServer() {
    close();
}

void SilentServer::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
}

} // namespace corvale::test
