#pragma once

#include <memory>

class QSocketNotifier;

namespace corvale {

// Turns SIGINT and SIGTERM into a clean quit of the Qt event loop. Create it before any thread
// starts, so that every thread inherits the blocked signals and only the event loop sees them.
class QuitOnSignals {
public:
    QuitOnSignals();
    ~QuitOnSignals();
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    // Starts watching; needs the application object.
    void attach();

private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace corvale
