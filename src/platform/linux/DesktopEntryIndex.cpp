#include "platform/linux/DesktopEntryIndex.h"

#include "core/SupportPaths.h"
#include "core/Text.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace corvale {

namespace fs = std::filesystem;

std::vector<fs::path> DesktopEntryIndex::applicationFolders() {
    std::vector<fs::path> folders;
    if (auto home = paths::dataHome()) {
        folders.push_back(*home / "applications");
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= list.size()) {
        auto end = std::min(list.find(':', start), list.size());
        auto dir = list.substr(start, end - start);
        // Relative entries are invalid by the base directory rules.
        if (!dir.empty() && dir.front() == '/') {
            folders.push_back(fs::path(dir) / "applications");
        }
        start = end + 1;
    }
    return folders;
}

DesktopEntryIndex::DesktopEntryIndex(const std::vector<fs::path>& folders,
                                     const std::string& locale) {
    std::set<std::string> seen;
    for (const auto& folder : folders) {
        std::error_code ec;
        std::vector<fs::path> files;
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->path().extension() == ".desktop" && it->is_regular_file(ec)) {
                files.push_back(it->path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            auto relative = file.lexically_relative(folder).string();
            std::replace(relative.begin(), relative.end(), '/', '-');
            auto id = relative.substr(0, relative.size() - std::string(".desktop").size());
            if (!seen.insert(id).second) {
                continue;
            }
            auto entry = DesktopEntry::load(file);
            if (!entry || !entry->hasGroup(DesktopEntry::mainGroup) || entry->boolean("Hidden") ||
                entry->string("Type") != "Application") {
                continue;
            }
            auto name = entry->localeString("Name", locale).value_or(id);
            applications_.push_back({id, file, std::move(*entry), std::move(name)});
        }
    }
}

const DesktopEntryIndex::Application* DesktopEntryIndex::withID(const std::string& id) const {
    for (const auto& app : applications_) {
        if (app.id == id) {
            return &app;
        }
    }
    return nullptr;
}

const DesktopEntryIndex::Application* DesktopEntryIndex::named(const std::string& name) const {
    auto key = nameKey(name);
    if (key.empty()) {
        return nullptr;
    }
    for (const auto& app : applications_) {
        if (nameKey(app.name) == key || nameKey(app.entry.string("Name").value_or("")) == key) {
            return &app;
        }
    }
    for (const auto& app : applications_) {
        if (nameKey(app.id) == key) {
            return &app;
        }
    }
    return nullptr;
}

} // namespace corvale
