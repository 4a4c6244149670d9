#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A file location as stored in the data files: an absolute "file://" URL, percent-encoded.
// Held as the decoded path; two are equal when their standardised paths are equal.
class FileUrl {
public:
    FileUrl() = default;
    static FileUrl fromPath(std::string path);
    // Accepts "file:///..." and "file://localhost/..."; none for anything else.
    static std::optional<FileUrl> parse(std::string_view url);

    const std::string& path() const { return path_; }
    std::string str() const;
    // Lexically normal, without "." and ".." segments or a trailing slash.
    std::string standardizedPath() const;

    friend bool operator==(const FileUrl& a, const FileUrl& b) {
        return a.standardizedPath() == b.standardizedPath();
    }

private:
    std::string path_;
};

} // namespace corvale
