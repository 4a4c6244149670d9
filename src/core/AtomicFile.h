#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvale {

// Writes the bytes to a temporary file in the target's folder and renames it over the target, so
// a reader (or a crash) sees either the old or the new content, never a mix. No fsync: a rename
// over the target is safe against a killed process and these writes sit on the alert path.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string& error);

// Reads a whole file; false with a description when it cannot be read.
bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::string& error);

// One version of a file as the system tells it apart without reading it: a write in place changes
// its time or size, a write by rename its inode. A missing file has every field zero.
struct FileStamp {
    bool exists = false;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp fileStamp(const std::filesystem::path& path);

// Where an unreadable data file went, or why it could not be moved.
struct CorruptFileMove {
    bool moved = false;
    std::filesystem::path backup;
    std::string error;
};

// Moves an unreadable data file to `backupName` ("rules.corrupt.json") in its folder. A backup
// already there is first moved to a dated name ("rules.corrupt-20250314-093012.json", a counter
// added when that name is taken), so a second bad file never destroys the first; when that move
// fails, the old backup stays and the new file takes the dated name instead. Of the dated backups
// the five newest are kept; nothing else is ever deleted.
CorruptFileMove moveCorruptFileAside(const std::filesystem::path& file,
                                     const std::string& backupName,
                                     std::chrono::system_clock::time_point now);

// Copies a file beside itself as "<stem>-20250314-093012.json" (a counter added when that name is
// taken) and gives the copy's path; false with a description when it could not be read or written.
// These copies are never pruned: they are kept on purpose, unlike the corrupt-file backups.
bool keepDatedCopy(const std::filesystem::path& file, const std::string& stem,
                   std::chrono::system_clock::time_point now, std::filesystem::path& copy,
                   std::string& error);

} // namespace corvale
