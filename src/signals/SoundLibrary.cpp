#include "signals/SoundLibrary.h"

#include "core/Text.h"

#include <algorithm>
#include <array>
#include <set>

namespace corvale::SoundLibrary {
namespace {

constexpr std::array<std::string_view, 8> extensions{"aiff", "aif", "caf", "wav",
                                                     "m4a",  "mp3", "oga", "ogg"};

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Lists a folder's entries; a folder that cannot be listed gives none.
std::vector<std::filesystem::path> entries(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        found.push_back(it->path());
    }
    return found;
}

} // namespace

std::vector<std::string> audioExtensions() {
    return {extensions.begin(), extensions.end()};
}

bool isAudioExtension(const std::filesystem::path& file) {
    auto ext = file.extension().string();
    if (ext.size() < 2) {
        return false;
    }
    ext = lowerAscii(ext.substr(1));
    return std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

std::vector<std::filesystem::path>
defaultDirs(const std::filesystem::path& systemSounds,
            const std::optional<std::filesystem::path>& userSounds,
            const std::filesystem::path& bundledTones) {
    std::vector<std::filesystem::path> dirs{systemSounds};
    if (userSounds) {
        dirs.push_back(*userSounds);
    }
    std::error_code ec;
    if (std::filesystem::is_directory(bundledTones, ec)) {
        dirs.push_back(bundledTones);
    }
    return dirs;
}

std::optional<std::filesystem::path> url(const std::string& name,
                                         const std::vector<std::filesystem::path>& dirs) {
    const std::string wanted = caseFolded(name);
    for (const auto& dir : dirs) {
        for (const auto& entry : entries(dir)) {
            if (isAudioExtension(entry) && caseFolded(entry.stem().string()) == wanted) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> names(const std::vector<std::filesystem::path>& dirs) {
    std::vector<std::string> names;
    std::set<std::string> keys;
    for (const auto& dir : dirs) {
        for (const auto& entry : entries(dir)) {
            if (!isAudioExtension(entry)) {
                continue;
            }
            auto stem = entry.stem().string();
            if (keys.insert(caseFolded(stem)).second) {
                names.push_back(stem);
            }
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return localizedCaseInsensitiveLess(a, b);
    });
    return names;
}

Index::Index(std::vector<std::filesystem::path> dirs) : dirs_(std::move(dirs)) {}

std::optional<std::filesystem::path> Index::url(const std::string& name) {
    refreshIfChanged();
    return listedUrl(name);
}

std::optional<std::filesystem::path> Index::listedUrl(const std::string& name) {
    if (!built_) {
        refreshIfChanged();
    }
    auto found = byKey_.find(caseFolded(name));
    if (found == byKey_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void Index::refreshIfChanged() {
    std::vector<std::optional<std::filesystem::file_time_type>> stamps;
    stamps.reserve(dirs_.size());
    for (const auto& dir : dirs_) {
        std::error_code ec;
        auto stamp = std::filesystem::last_write_time(dir, ec);
        stamps.push_back(ec ? std::nullopt : std::optional(stamp));
    }
    if (built_ && stamps == stamps_) {
        return;
    }
    stamps_ = std::move(stamps);
    built_ = true;
    byKey_.clear();
    for (const auto& dir : dirs_) {
        for (const auto& entry : entries(dir)) {
            if (isAudioExtension(entry)) {
                // The first folder, and within it the first entry listed, wins.
                byKey_.emplace(caseFolded(entry.stem().string()), entry);
            }
        }
    }
}

} // namespace corvale::SoundLibrary
