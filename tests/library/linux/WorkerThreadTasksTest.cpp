#include "library/linux/WorkerThreadTasks.h"

#include "support/QtEventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace corvale {
namespace {

using namespace std::chrono_literals;

TEST(WorkerThreadTasks, worksAwayFromTheMainThreadAndAnswersOnItInOrder) {
    WorkerThreadTasks tasks;
    const auto mainThread = std::this_thread::get_id();
    std::vector<std::thread::id> workThreads(3);
    std::vector<int> answered;
    bool answersOnMain = true;
    for (int i = 0; i < 3; ++i) {
        tasks.run([&, i] { workThreads[static_cast<size_t>(i)] = std::this_thread::get_id(); },
                  [&, i] {
                      answersOnMain = answersOnMain && std::this_thread::get_id() == mainThread;
                      answered.push_back(i);
                  });
    }
    tasks.run([] { throw std::runtime_error("the decoder gave up"); },
              [&] { answered.push_back(99); });
    ASSERT_TRUE(test::pumpEventsUntil([&] { return answered.size() == 4; }, 5s));
    EXPECT_EQ(answered, (std::vector<int>{0, 1, 2, 99}))
        << "in the order given, and a throwing task still answers";
    EXPECT_TRUE(answersOnMain);
    for (const auto& id : workThreads) {
        EXPECT_NE(id, mainThread) << "the work ran on the main thread";
    }
}

TEST(WorkerThreadTasks, answersOfTasksTornDownNeverArrive) {
    std::atomic<bool> started = false;
    std::promise<void> gate;
    auto open = gate.get_future().share();
    bool answered = false;
    {
        WorkerThreadTasks tasks;
        tasks.run(
            [&, open] {
                started = true;
                open.wait();
            },
            [&] { answered = true; });
        tasks.run([] {}, [&] { answered = true; });
        ASSERT_TRUE(test::pumpEventsUntil([&] { return started.load(); }, 5s));
        gate.set_value();
        // The teardown waits for the running work and drops the rest.
    }
    test::pumpEventsFor(50ms);
    EXPECT_FALSE(answered) << "a follow-up ran after its owner was gone";
}

} // namespace
} // namespace corvale
