#pragma once

#include "library/BackgroundTasks.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace corvale {

// Runs background work one task at a time on a thread of its own and hands each follow-up to the
// Qt event loop of the thread that created it (the main thread).
class WorkerThreadTasks : public BackgroundTasks {
public:
    WorkerThreadTasks();
    // Waits for the work in progress; queued work and undelivered follow-ups are dropped.
    ~WorkerThreadTasks() override;
    WorkerThreadTasks(const WorkerThreadTasks&) = delete;
    WorkerThreadTasks& operator=(const WorkerThreadTasks&) = delete;

    void run(std::function<void()> work, std::function<void()> done) override;

private:
    struct Task {
        std::function<void()> work;
        std::function<void()> done;
    };
    void loop();

    std::unique_ptr<QObject> receiver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace corvale
