#include "support/HeldRelay.h"

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corvale::test {
namespace {

bool addressOf(const std::filesystem::path& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

int connectTo(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!addressOf(path, address)) {
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const auto sent = write(fd, data, size);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

} // namespace

HeldRelay::HeldRelay(std::filesystem::path listenAt, std::filesystem::path target)
    : path_(std::move(listenAt)), target_(std::move(target)) {
    sockaddr_un address;
    if (!addressOf(path_, address) || pipe(wake_) != 0) {
        return;
    }
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        return;
    }
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 64) != 0) {
        close(listenFd_);
        listenFd_ = -1;
        return;
    }
    thread_ = std::thread([this] { run(); });
}

HeldRelay::~HeldRelay() {
    stop_ = true;
    if (wake_[1] >= 0) {
        (void)!write(wake_[1], "x", 1);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listenFd_ >= 0) {
        close(listenFd_);
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    for (int fd : wake_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void HeldRelay::release() {
    released_ = true;
    (void)!write(wake_[1], "x", 1);
}

void HeldRelay::run() {
    std::vector<int> held;
    // Client and target, each passing what it reads to the other.
    std::vector<std::pair<int, int>> links;
    auto passThrough = [&] {
        for (int client : held) {
            const int target = connectTo(target_);
            if (target < 0) {
                close(client);
            } else {
                links.emplace_back(client, target);
            }
        }
        held.clear();
    };
    while (!stop_) {
        if (released_) {
            passThrough();
        }
        std::vector<pollfd> polled{{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        for (const auto& [client, target] : links) {
            polled.push_back({client, POLLIN, 0});
            polled.push_back({target, POLLIN, 0});
        }
        if (poll(polled.data(), polled.size(), -1) < 0) {
            continue;
        }
        if (polled[1].revents) {
            char drained[16];
            (void)!read(wake_[0], drained, sizeof drained);
        }
        if (polled[0].revents & POLLIN) {
            const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                held.push_back(client);
            }
            // Polling is level-triggered: the links' data waits for the next round.
            continue;
        }
        std::vector<std::pair<int, int>> kept;
        for (std::size_t i = 0; i < links.size(); ++i) {
            const auto [client, target] = links[i];
            bool open = true;
            for (const auto& [from, to] : {std::pair(client, target), std::pair(target, client)}) {
                const auto& p = polled[2 + 2 * i + (from == client ? 0 : 1)];
                if (!open || !(p.revents & (POLLIN | POLLHUP | POLLERR))) {
                    continue;
                }
                char buffer[65536];
                const auto got = read(from, buffer, sizeof buffer);
                open = got > 0 && writeAll(to, buffer, static_cast<std::size_t>(got));
            }
            if (open) {
                kept.emplace_back(client, target);
            } else {
                close(client);
                close(target);
            }
        }
        links = std::move(kept);
    }
    for (int fd : held) {
        close(fd);
    }
    for (const auto& [client, target] : links) {
        close(client);
        close(target);
    }
}

} // namespace corvale::test
