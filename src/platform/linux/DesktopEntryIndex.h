#pragma once

#include "platform/linux/DesktopEntry.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The applications installed for this user: the desktop entries of every "applications" folder,
// the user's own first, each desktop file ID taken from the first folder that has it.
class DesktopEntryIndex {
public:
    struct Application {
        std::string id; // the desktop file ID without ".desktop"
        std::filesystem::path file;
        DesktopEntry entry;
        std::string name; // in the user's locale
    };

    // $XDG_DATA_HOME/applications, then each folder of $XDG_DATA_DIRS with "/applications".
    static std::vector<std::filesystem::path> applicationFolders();

    // Reads the folders now; entries that are hidden, not applications or unreadable are left
    // out (a hidden entry also hides the same ID in later folders).
    explicit DesktopEntryIndex(const std::vector<std::filesystem::path>& folders,
                               const std::string& locale = DesktopEntry::currentLocale());

    const std::vector<Application>& applications() const { return applications_; }
    const Application* withID(const std::string& id) const;
    // The first application whose name, or whose ID, has the same name key.
    const Application* named(const std::string& name) const;

private:
    std::vector<Application> applications_;
};

} // namespace corvale
