#include "core/linux/QtScheduler.h"

#include <QPointer>
#include <QTimer>

namespace corvale {
namespace {

// Knows whether its callback is running, so that a cancel can delete it at once otherwise: most
// timers (an alert's safety nets) are cancelled before they fire, and deleting them later would
// cost the event loop one more event each.
class SchedulerTimer : public QTimer {
public:
    bool firing = false;
};

Subscription start(Millis interval, bool repeating, std::function<void()> fn) {
    auto* timer = new SchedulerTimer();
    timer->setSingleShot(!repeating);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, repeating, fn = std::move(fn)] {
        if (!repeating) {
            timer->deleteLater();
        }
        timer->firing = true;
        fn();
        timer->firing = false;
    });
    timer->start(static_cast<int>(interval.count()));
    QPointer<SchedulerTimer> guard(timer);
    return Subscription([guard] {
        if (!guard) {
            return;
        }
        if (guard->firing) {
            guard->stop();
            guard->deleteLater();
        } else {
            delete guard.data();
        }
    });
}

} // namespace

TimePoint QtScheduler::now() const {
    return Clock::now();
}

Subscription QtScheduler::after(Millis delay, std::function<void()> fn) {
    return start(delay, false, std::move(fn));
}

Subscription QtScheduler::every(Millis interval, std::function<void()> fn) {
    return start(interval, true, std::move(fn));
}

} // namespace corvale
