#include "store/linux/FileChangeWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace corvale {

FileChangeWatcher::FileChangeWatcher(std::filesystem::path file, std::function<void()> onChange,
                                     LogFn log)
    : file_(std::move(file)), name_(file_.filename().string()), onChange_(std::move(onChange)),
      log_(std::move(log)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        watch_ = ::inotify_add_watch(fd_, file_.parent_path().c_str(),
                                     IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE |
                                         IN_MOVED_TO | IN_MOVED_FROM | IN_ONLYDIR);
    }
    if (watch_ < 0) {
        if (log_) {
            log_("[watch] cannot watch " + file_.string() + ": " + std::strerror(errno));
        }
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
}

FileChangeWatcher::~FileChangeWatcher() {
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void FileChangeWatcher::readEvents() {
    alignas(inotify_event) char buffer[16384];
    bool ours = false;
    bool lost = false;
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            break;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) {
                lost = true; // events were dropped: ours may have been among them
            } else if (event->len > 0 && name_ == event->name) {
                ours = true;
            }
            if (event->mask & IN_IGNORED) {
                watch_ = -1;
                if (log_) {
                    log_("[watch] stopped watching " + file_.string() + ": its folder is gone");
                }
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if ((ours || lost) && onChange_) {
        onChange_();
    }
}

} // namespace corvale
