#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace corvale {

// Turns SIGINT and SIGTERM into a clean quit of the Qt event loop, and SIGHUP into a call of the
// hang-up action (the daemon convention: reload the configuration) instead of the end of the
// process. Create it before any thread starts, so that every thread inherits the blocked signals
// and only the event loop sees them.
class QuitOnSignals {
public:
    QuitOnSignals();
    ~QuitOnSignals();
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    // Starts watching; needs the application object.
    void attach();
    // What SIGHUP does; until it is set, SIGHUP is ignored.
    void onHangUp(std::function<void()> action) { hangUp_ = std::move(action); }

private:
    int fd_ = -1;
    std::function<void()> hangUp_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace corvale
