#include "core/AtomicFile.h"

#include "core/RegularFile.h"
#include "core/Uuid.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvale {

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string& error) {
    auto temp = target.parent_path() / ("." + target.filename().string() + "." +
                                        Uuid::random().str().substr(0, 8) + ".tmp");
    std::FILE* file = std::fopen(temp.c_str(), "wbx");
    if (!file) {
        error = "could not create " + temp.string() + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int writeErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        error = "could not write " + temp.string() + ": " + std::strerror(writeErrno);
        std::remove(temp.c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        error = "could not replace " + target.string() + ": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::string& error) {
    // A named pipe in the file's place would freeze whoever reads: it is turned away unopened.
    const auto file = openRegularFile(path);
    if (file.notRegular) {
        error = "could not read " + path.string() + ": not a regular file";
        return false;
    }
    if (!file) {
        error = "could not open " + path.string() + ": " + std::strerror(file.error);
        return false;
    }
    const int fd = file.fd;
    std::string read;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            read.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            error = "could not read " + path.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    ::close(fd);
    contents = std::move(read);
    return true;
}

FileStamp fileStamp(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {true, static_cast<std::uint64_t>(info.st_ino), static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

namespace {

constexpr std::string_view corruptSuffix = ".corrupt.json";
constexpr size_t datedBackupsKept = 5;

// "rules.corrupt.json" -> "rules"; a name without the suffix is used whole.
std::string backupStem(const std::string& backupName) {
    if (backupName.ends_with(corruptSuffix)) {
        return backupName.substr(0, backupName.size() - corruptSuffix.size());
    }
    return backupName;
}

std::string stamp(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

bool occupied(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The order of a dated backup's name: its time, then its counter (none counts as 1). None for a
// name that is not one of ours, which is never touched.
struct DatedBackup {
    std::string when;
    long counter = 1;
    std::filesystem::path path;
};

std::optional<DatedBackup> datedBackup(const std::filesystem::path& path, const std::string& stem) {
    const std::string name = path.filename().string();
    const std::string prefix = stem + ".corrupt-";
    if (!name.starts_with(prefix) || !name.ends_with(".json")) {
        return std::nullopt;
    }
    std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - 5);
    auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (rest.size() < 15 || rest[8] != '-' || !digits(rest.substr(0, 8)) ||
        !digits(rest.substr(9, 6))) {
        return std::nullopt;
    }
    DatedBackup backup{rest.substr(0, 15), 1, path};
    if (rest.size() > 15) {
        if (rest[15] != '-' || !digits(rest.substr(16)) || rest.size() > 25) {
            return std::nullopt;
        }
        backup.counter = std::stol(rest.substr(16));
    }
    return backup;
}

// A name after every dated backup of the same second: a name freed by pruning is never reused,
// or the newest backup would sort as the oldest and be pruned next.
std::filesystem::path freeDatedName(const std::filesystem::path& folder, const std::string& stem,
                                    const std::string& when) {
    long counter = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (auto backup = datedBackup(it->path(), stem); backup && backup->when == when) {
            counter = std::max(counter, backup->counter);
        }
    }
    const std::string base = stem + ".corrupt-" + when;
    auto named = [&](long n) {
        return folder / (n <= 1 ? base + ".json" : base + "-" + std::to_string(n) + ".json");
    };
    auto candidate = named(counter + 1);
    while (occupied(candidate)) {
        candidate = named(++counter + 1);
    }
    return candidate;
}

void pruneDatedBackups(const std::filesystem::path& folder, const std::string& stem) {
    std::vector<DatedBackup> backups;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (auto backup = datedBackup(it->path(), stem)) {
            backups.push_back(std::move(*backup));
        }
    }
    if (backups.size() <= datedBackupsKept) {
        return;
    }
    std::sort(backups.begin(), backups.end(), [](const DatedBackup& a, const DatedBackup& b) {
        return a.when != b.when ? a.when > b.when : a.counter > b.counter;
    });
    for (size_t i = datedBackupsKept; i < backups.size(); ++i) {
        std::filesystem::remove(backups[i].path, ec);
    }
}

} // namespace

CorruptFileMove moveCorruptFileAside(const std::filesystem::path& file,
                                     const std::string& backupName,
                                     std::chrono::system_clock::time_point now) {
    const auto folder = file.parent_path();
    const std::string stem = backupStem(backupName);
    const std::string when = stamp(now);
    CorruptFileMove result;
    result.backup = folder / backupName;
    std::error_code ec;
    if (occupied(result.backup)) {
        auto older = freeDatedName(folder, stem, when);
        std::filesystem::rename(result.backup, older, ec);
        if (ec) {
            // The earlier backup stays where it is; the new one must not replace it.
            result.backup = freeDatedName(folder, stem, when);
        }
    }
    std::filesystem::rename(file, result.backup, ec);
    if (ec) {
        result.error = ec.message();
        return result;
    }
    result.moved = true;
    pruneDatedBackups(folder, stem);
    return result;
}

bool keepDatedCopy(const std::filesystem::path& file, const std::string& stem,
                   std::chrono::system_clock::time_point now, std::filesystem::path& copy,
                   std::string& error) {
    std::string bytes;
    if (!readWholeFile(file, bytes, error)) {
        return false;
    }
    const std::string base = stem + "-" + stamp(now);
    copy = file.parent_path() / (base + ".json");
    for (int n = 2; occupied(copy); ++n) {
        copy = file.parent_path() / (base + "-" + std::to_string(n) + ".json");
    }
    return writeFileAtomically(copy, bytes, error);
}

} // namespace corvale
