#pragma once

#include "library/BackgroundTasks.h"

#include <memory>

namespace corvale {

// Runs each piece of background work on a thread of its own and hands its follow-up to the Qt
// event loop of the thread that created the tasks (the main thread). A task that blocks (a file on
// a stalled share) holds up neither later tasks nor the teardown: nothing ever waits for a worker.
class WorkerThreadTasks : public BackgroundTasks {
public:
    // Every running task holds keepAlive (what the work touches, such as the media tools), so work
    // left running after the tasks were torn down never reaches freed memory.
    explicit WorkerThreadTasks(std::shared_ptr<void> keepAlive = {});
    // Does not wait: work still running finishes on its own and its follow-up is dropped.
    ~WorkerThreadTasks() override;
    WorkerThreadTasks(const WorkerThreadTasks&) = delete;
    WorkerThreadTasks& operator=(const WorkerThreadTasks&) = delete;

    void run(std::function<void()> work, std::function<void()> done) override;

private:
    struct Outbox;
    std::shared_ptr<Outbox> outbox_;
    std::shared_ptr<void> keepAlive_;
};

} // namespace corvale
