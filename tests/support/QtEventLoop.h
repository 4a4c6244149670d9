#pragma once

// Waiting while the Qt event loop runs, for tests of adapters driven by it. Header only: the
// support library itself does not link Qt.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace corvale::test {

// Runs the event loop for about `duration`.
inline void pumpEventsFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(duration.count()), &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `condition` holds or the deadline passes; returns whether it held.
inline bool pumpEventsUntil(const std::function<bool()>& condition,
                            std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        pumpEventsFor(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace corvale::test
