#pragma once

#include <filesystem>

namespace corvale {

// A file opened for reading, only if it is a regular file. The path is checked before the open,
// so a device is never opened (opening some has effects); the open does not block, so a named
// pipe put in its place meanwhile opens at once; and the open file is checked again, so that swap
// is refused too. Nothing is read: a named pipe or a device can never hang the caller.
struct RegularFile {
    int fd = -1;             // the caller closes it
    int error = 0;           // errno of a failed check or open
    bool notRegular = false; // it exists but is no regular file
    long long size = 0;

    explicit operator bool() const { return fd >= 0; }
};

RegularFile openRegularFile(const std::filesystem::path& path);

} // namespace corvale
