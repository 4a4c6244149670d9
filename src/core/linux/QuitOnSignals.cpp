#include "core/linux/QuitOnSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace corvale {

QuitOnSignals::QuitOnSignals() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    fd_ = ::signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
}

QuitOnSignals::~QuitOnSignals() {
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void QuitOnSignals::attach() {
    if (fd_ < 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        signalfd_siginfo info;
        bool quit = false;
        bool hangUp = false;
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            (info.ssi_signo == SIGHUP ? hangUp : quit) = true;
        }
        if (quit) {
            QCoreApplication::quit();
        } else if (hangUp && hangUp_) {
            auto action = hangUp_;
            action();
        }
    });
}

} // namespace corvale
