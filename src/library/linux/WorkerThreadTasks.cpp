#include "library/linux/WorkerThreadTasks.h"

#include <QMetaObject>
#include <QObject>

namespace corvale {

WorkerThreadTasks::WorkerThreadTasks()
    : receiver_(std::make_unique<QObject>()), thread_([this] { loop(); }) {}

WorkerThreadTasks::~WorkerThreadTasks() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
    // Deleting the receiver discards the follow-ups still waiting in the event loop.
    receiver_.reset();
}

void WorkerThreadTasks::run(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        queue_.push_back({std::move(work), std::move(done)});
    }
    wake_.notify_one();
}

void WorkerThreadTasks::loop() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        // An exception must not end the thread; the follow-up still runs and sees no result.
        try {
            if (task.work) {
                task.work();
            }
        } catch (...) {
        }
        if (task.done) {
            QMetaObject::invokeMethod(receiver_.get(), std::move(task.done), Qt::QueuedConnection);
        }
    }
}

} // namespace corvale
