#include "library/linux/WorkerThreadTasks.h"

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <system_error>
#include <thread>

namespace corvale {

// Where finished work posts its follow-up: a receiver in the main thread's event loop, gone once
// the tasks are torn down. Deleting the receiver also discards follow-ups already posted.
struct WorkerThreadTasks::Outbox {
    std::mutex mutex;
    QObject* receiver = nullptr;

    void post(std::function<void()> done) {
        std::lock_guard lock(mutex);
        if (receiver && done) {
            QMetaObject::invokeMethod(receiver, std::move(done), Qt::QueuedConnection);
        }
    }
};

WorkerThreadTasks::WorkerThreadTasks(std::shared_ptr<void> keepAlive)
    : outbox_(std::make_shared<Outbox>()), keepAlive_(std::move(keepAlive)) {
    outbox_->receiver = new QObject();
}

WorkerThreadTasks::~WorkerThreadTasks() {
    std::lock_guard lock(outbox_->mutex);
    delete outbox_->receiver;
    outbox_->receiver = nullptr;
}

void WorkerThreadTasks::run(std::function<void()> work, std::function<void()> done) {
    auto task = [outbox = outbox_, keepAlive = keepAlive_, work = std::move(work), done]() mutable {
        // An exception must not end the process; the follow-up still runs and sees no result.
        try {
            if (work) {
                work();
            }
        } catch (...) {
        }
        outbox->post(std::move(done));
    };
    try {
        std::thread(std::move(task)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: answer without a result rather than never.
        outbox_->post(std::move(done));
    }
}

} // namespace corvale
