#include "core/linux/QtScheduler.h"

#include <QPointer>
#include <QTimer>

namespace corvale {
namespace {

Subscription start(Millis interval, bool repeating, std::function<void()> fn) {
    auto* timer = new QTimer();
    timer->setSingleShot(!repeating);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, repeating, fn = std::move(fn)] {
        if (!repeating) {
            timer->deleteLater();
        }
        fn();
    });
    timer->start(static_cast<int>(interval.count()));
    QPointer<QTimer> guard(timer);
    return Subscription([guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
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
