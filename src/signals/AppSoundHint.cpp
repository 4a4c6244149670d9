#include "signals/AppSoundHint.h"

#include "core/FileUrl.h"

#include <algorithm>

namespace corvale {
namespace {

bool hasControlCharacter(std::string_view text) {
    return std::ranges::any_of(text, [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// An absolute path with no "." or ".." segment, so it names the file it appears to name.
std::optional<std::filesystem::path> checkedFile(std::string_view hint, std::string& why) {
    std::string path;
    if (hint.starts_with("file:")) {
        auto url = FileUrl::parse(hint);
        if (!url) {
            why = "sound-file is no local file URL";
            return std::nullopt;
        }
        path = url->path();
    } else {
        path = hint;
    }
    if (path.size() > AppSoundHint::maxPathBytes || hasControlCharacter(path)) {
        why = "sound-file is too long or holds control characters";
        return std::nullopt;
    }
    if (!path.starts_with('/')) {
        why = "sound-file is not an absolute path";
        return std::nullopt;
    }
    for (const auto& part : std::filesystem::path(path)) {
        if (part == ".." || part == ".") {
            why = "sound-file holds a \".\" or \"..\" segment";
            return std::nullopt;
        }
    }
    return std::filesystem::path(path);
}

// Theme names are words joined by dashes ("message-new-instant"); a slash would make a path.
bool isThemeName(std::string_view name) {
    return !name.empty() && name.size() <= AppSoundHint::maxNameBytes && name.front() != '.' &&
           std::ranges::all_of(name, [](unsigned char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
           });
}

} // namespace

AppSoundHint AppSoundHint::read(std::string_view soundFile, std::string_view soundName) {
    AppSoundHint hint;
    if (!soundFile.empty()) {
        hint.file = checkedFile(soundFile, hint.refused);
        if (hint.file) {
            return hint;
        }
    }
    if (!soundName.empty()) {
        if (isThemeName(soundName)) {
            hint.name = std::string(soundName);
        } else if (hint.refused.empty()) {
            hint.refused = "sound-name is no sound theme name";
        }
    }
    return hint;
}

} // namespace corvale
