#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace corvale {

// Where long work (reading a song's length or waveform, exporting a clip) runs: away from the main
// thread, with the follow-up handed back to the main thread, which owns all shared state.
class BackgroundTasks {
public:
    virtual ~BackgroundTasks() = default;
    // Runs work away from the main thread, then done on the main thread. done may never run when
    // the tasks are torn down first; work must therefore own what it touches.
    virtual void run(std::function<void()> work, std::function<void()> done) = 0;
};

// Runs work in the background and hands its result to done on the main thread; ifThrown stands in
// for the result when work throws, so a caller never waits for an answer that cannot come.
template <typename Result, typename Work, typename Done>
void runForResult(BackgroundTasks& tasks, Work work, Done done, Result ifThrown) {
    auto result = std::make_shared<std::optional<Result>>();
    tasks.run(
        [result, work = std::move(work)]() mutable {
            try {
                result->emplace(work());
            } catch (...) {
                result->reset();
            }
        },
        [result, done = std::move(done), ifThrown = std::move(ifThrown)]() mutable {
            done(*result ? std::move(**result) : std::move(ifThrown));
        });
}

} // namespace corvale
