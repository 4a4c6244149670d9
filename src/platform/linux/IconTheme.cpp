#include "platform/linux/IconTheme.h"

#include "core/SupportPaths.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/DesktopEntryIndex.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace corvale {

namespace fs = std::filesystem;

namespace {

constexpr const char* extensions[] = {".png", ".svg", ".xpm"};

int intValue(const DesktopEntry& index, const std::string& key, const std::string& group,
             int fallback) {
    auto text = index.string(key, group);
    if (!text) {
        return fallback;
    }
    char* end = nullptr;
    long value = std::strtol(text->c_str(), &end, 10);
    return end != text->c_str() && *end == '\0' && value > 0 && value < 100000
               ? static_cast<int>(value)
               : fallback;
}

// How far a theme folder's icons are from the size asked for; 0 when they fit.
int sizeDistance(const DesktopEntry& index, const std::string& dir, int size) {
    int nominal = intValue(index, "Size", dir, 0);
    auto type = index.string("Type", dir).value_or("Threshold");
    if (type == "Fixed") {
        return std::abs(nominal - size);
    }
    int minSize = intValue(index, "MinSize", dir, nominal);
    int maxSize = intValue(index, "MaxSize", dir, nominal);
    if (type == "Threshold") {
        int threshold = intValue(index, "Threshold", dir, 2);
        minSize = nominal - threshold;
        maxSize = nominal + threshold;
    }
    if (size < minSize) {
        return minSize - size;
    }
    if (size > maxSize) {
        return size - maxSize;
    }
    return 0;
}

} // namespace

std::vector<fs::path> IconTheme::baseFolders() {
    std::vector<fs::path> bases;
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        bases.push_back(fs::path(home) / ".icons");
    }
    // The data folders in their order, found as the applications' folders are.
    for (const auto& applications : DesktopEntryIndex::applicationFolders()) {
        bases.push_back(applications.parent_path() / "icons");
    }
    bases.push_back("/usr/share/pixmaps");
    return bases;
}

IconTheme::IconTheme(std::vector<fs::path> baseFolders, std::string themeName)
    : bases_(std::move(baseFolders)) {
    if (!themeName.empty() && themeName != "hicolor") {
        themes_.push_back(std::move(themeName));
    }
    themes_.push_back("hicolor");
}

std::optional<fs::path> IconTheme::find(const std::string& icon, int size) const {
    std::error_code ec;
    if (icon.empty()) {
        return std::nullopt;
    }
    if (icon.front() == '/') {
        return fs::is_regular_file(icon, ec) ? std::optional(fs::path(icon)) : std::nullopt;
    }
    // A name must not lead out of the icon folders.
    if (icon.find('/') != std::string::npos || icon == "." || icon == "..") {
        return std::nullopt;
    }
    for (const auto& theme : themes_) {
        if (auto found = inTheme(theme, icon, size)) {
            return found;
        }
    }
    // Older entries name the file with its extension; the pixmaps folder holds such files.
    for (const auto& base : bases_) {
        if (fs::path(icon).has_extension() && fs::is_regular_file(base / icon, ec)) {
            return base / icon;
        }
        for (const char* ext : extensions) {
            auto file = base / (icon + ext);
            if (fs::is_regular_file(file, ec)) {
                return file;
            }
        }
    }
    return std::nullopt;
}

std::optional<fs::path> IconTheme::inTheme(const std::string& theme, const std::string& name,
                                           int size) const {
    std::optional<DesktopEntry> index;
    for (const auto& base : bases_) {
        if ((index = DesktopEntry::load(base / theme / "index.theme"))) {
            break;
        }
    }
    if (!index) {
        return std::nullopt;
    }
    std::optional<fs::path> best;
    int bestDistance = INT_MAX;
    std::error_code ec;
    // Theme indexes separate their folders with commas, not the semicolons of other lists.
    std::vector<std::string> dirs;
    auto listed = index->string("Directories", "Icon Theme").value_or("");
    for (size_t start = 0; start < listed.size();) {
        auto end = std::min(listed.find(',', start), listed.size());
        if (end > start) {
            dirs.push_back(listed.substr(start, end - start));
        }
        start = end + 1;
    }
    for (const auto& dir : dirs) {
        // Icons drawn for high-density screens come in folders of their own.
        if (intValue(*index, "Scale", dir, 1) != 1 || !index->hasGroup(dir)) {
            continue;
        }
        int distance = sizeDistance(*index, dir, size);
        if (distance >= bestDistance) {
            continue;
        }
        for (const auto& base : bases_) {
            for (const char* ext : extensions) {
                auto file = base / theme / dir / (name + ext);
                if (fs::is_regular_file(file, ec)) {
                    best = file;
                    bestDistance = distance;
                    break;
                }
            }
            if (bestDistance == distance) {
                break;
            }
        }
        if (bestDistance == 0) {
            break;
        }
    }
    return best;
}

} // namespace corvale
