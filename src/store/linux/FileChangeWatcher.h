#pragma once

#include "core/Log.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace corvale {

// Tells when a file is written, replaced, created or removed, from the event loop (inotify). It
// watches the file's folder, not the file: an atomic save renames a new file over the old one,
// and a watch on the old file would end with it. Every event is passed on; coalescing them is the
// caller's business.
class FileChangeWatcher {
public:
    // The folder must exist; when it cannot be watched, the reason is logged and nothing follows.
    FileChangeWatcher(std::filesystem::path file, std::function<void()> onChange, LogFn log = {});
    ~FileChangeWatcher();
    FileChangeWatcher(const FileChangeWatcher&) = delete;
    FileChangeWatcher& operator=(const FileChangeWatcher&) = delete;

    bool watching() const { return watch_ >= 0; }

private:
    void readEvents();

    std::filesystem::path file_;
    std::string name_;
    std::function<void()> onChange_;
    LogFn log_;
    int fd_ = -1;
    int watch_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace corvale
