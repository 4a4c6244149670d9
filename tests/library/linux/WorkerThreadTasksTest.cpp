#include "library/linux/WorkerThreadTasks.h"

#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace corvale {
namespace {

using namespace std::chrono_literals;

TEST(WorkerThreadTasks, worksAwayFromTheMainThreadAndAnswersOnIt) {
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
    std::sort(answered.begin(), answered.end());
    EXPECT_EQ(answered, (std::vector<int>{0, 1, 2, 99})) << "a throwing task still answers";
    EXPECT_TRUE(answersOnMain);
    for (const auto& id : workThreads) {
        EXPECT_NE(id, mainThread) << "the work ran on the main thread";
    }
}

// A named pipe nobody writes to blocks its reader's open for ever, as a stalled share would.
TEST(WorkerThreadTasks, aBlockedTaskHoldsUpNeitherLaterTasksNorTheTeardown) {
    test::TempDir dir;
    const auto pipe = dir / "song.mp3";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    auto readers = std::make_shared<int>(1);
    std::weak_ptr<int> readersGone = readers;
    std::atomic<bool> blocked = false;
    bool blockedAnswered = false;
    bool laterAnswered = false;
    auto tasks = std::make_unique<WorkerThreadTasks>(std::move(readers));
    tasks->run(
        [&blocked, path = pipe.string()] {
            blocked = true;
            const int fd = ::open(path.c_str(), O_RDONLY);
            if (fd >= 0) {
                ::close(fd);
            }
        },
        [&] { blockedAnswered = true; });
    ASSERT_TRUE(test::pumpEventsUntil([&] { return blocked.load(); }, 5s));
    tasks->run([] {}, [&] { laterAnswered = true; });
    EXPECT_TRUE(test::pumpEventsUntil([&] { return laterAnswered; }, 5s))
        << "a later task waited for the blocked one";

    const auto before = std::chrono::steady_clock::now();
    tasks.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms) << "the teardown waited";
    EXPECT_FALSE(readersGone.expired()) << "the blocked work lost what it reads with";

    // Unblock it: its work ends, lets go of what it held, and its answer goes nowhere.
    const int writer = ::open(pipe.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ::close(writer);
    EXPECT_TRUE(test::pumpEventsUntil([&] { return readersGone.expired(); }, 5s));
    test::pumpEventsFor(50ms);
    EXPECT_FALSE(blockedAnswered) << "a follow-up ran after its owner was gone";
}

} // namespace
} // namespace corvale
