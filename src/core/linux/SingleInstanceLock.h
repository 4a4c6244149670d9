#pragma once

#include <filesystem>
#include <string>

namespace corvale {

// Holds an exclusive lock file for the life of the process, so only one Corvale runs per session.
class SingleInstanceLock {
public:
    explicit SingleInstanceLock(const std::filesystem::path& file);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    bool acquired() const { return fd_ >= 0; }
    // Why the lock was not acquired: another instance holds it, or the file could not be opened.
    const std::string& problem() const { return problem_; }
    // Whether another process holds the lock (rather than the file failing us).
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    int fd_ = -1;
    std::string problem_;
    bool heldElsewhere_ = false;
};

} // namespace corvale
