#include "signals/linux/MainThreadPost.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

namespace corvale {

MainThreadPost::MainThreadPost() : receiver_(std::make_unique<QObject>()) {}

MainThreadPost::~MainThreadPost() {
    close();
}

void MainThreadPost::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (receiver_) {
        QMetaObject::invokeMethod(receiver_.get(), std::move(work), Qt::QueuedConnection);
    }
}

void MainThreadPost::after(std::chrono::milliseconds delay, std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (receiver_) {
        QTimer::singleShot(delay, Qt::PreciseTimer, receiver_.get(), std::move(work));
    }
}

void MainThreadPost::close() {
    std::unique_ptr<QObject> receiver;
    {
        std::lock_guard lock(mutex_);
        receiver = std::move(receiver_);
    }
    // Deleting the receiver drops the events still queued for it.
}

} // namespace corvale
