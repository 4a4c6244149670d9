#include "core/FileUrl.h"

#include "core/Text.h"

#include <filesystem>

namespace corvale {
namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == '!' || c == '$' || c == '&' ||
           c == '\'' || c == '(' || c == ')' || c == '*' || c == '+' || c == ',' || c == ';' ||
           c == '=' || c == ':' || c == '@';
}

} // namespace

FileUrl FileUrl::fromPath(std::string path) {
    FileUrl url;
    url.path_ = std::move(path);
    return url;
}

std::optional<FileUrl> FileUrl::parse(std::string_view url) {
    std::string_view rest;
    if (url.starts_with("file:///")) {
        rest = url.substr(7);
    } else if (url.starts_with("file://localhost/")) {
        rest = url.substr(16);
    } else {
        return std::nullopt;
    }
    std::string path;
    path.reserve(rest.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '?' || c == '#') {
            break;
        }
        if (c == '%') {
            if (i + 2 >= rest.size()) {
                return std::nullopt;
            }
            int high = hexDigitValue(rest[i + 1]);
            int low = hexDigitValue(rest[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += c;
        }
    }
    if (path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return fromPath(std::move(path));
}

std::string FileUrl::str() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path_) {
        if (unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

std::string FileUrl::standardizedPath() const {
    auto normal = std::filesystem::path(path_).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

} // namespace corvale
