#pragma once

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryIndex.h"
#include "platform/linux/IconTheme.h"

#include <filesystem>
#include <string>
#include <vector>

namespace corvale {

// The desktop's applications through its desktop entries: installed ones from the applications
// folders, running ones from this user's processes in /proc, their windows on the X display,
// icons from the icon themes, URLs through the desktop's default handlers (xdg-mime, xdg-open).
class XdgWorkspace : public Workspace {
public:
    struct Folders {
        std::vector<std::filesystem::path> applications = DesktopEntryIndex::applicationFolders();
        std::vector<std::filesystem::path> icons = IconTheme::baseFolders();
        std::filesystem::path proc = "/proc";
    };

    XdgWorkspace() : XdgWorkspace(Folders{}) {}
    explicit XdgWorkspace(Folders folders, std::string iconTheme = "hicolor");

    std::vector<RunningApp> runningApplications() override;
    std::optional<AppLocation> applicationWithDesktopId(const std::string& desktopId) override;
    std::optional<AppLocation> installedApplication(const std::string& name) override;
    std::vector<AppLocation> installedApplications() override;
    bool openApplication(const AppLocation& app) override;
    bool raiseApplication(const AppLocation& app) override;
    bool openURL(const std::string& url) override;
    std::optional<std::filesystem::path> iconFile(const AppLocation& app) override;
    bool revealFile(const std::filesystem::path& path) override;

    // The desktop file ID of the program that opens URLs of this scheme, if any.
    static std::string defaultHandler(const std::string& scheme);

private:
    // Read anew for each question, so applications installed while we run are found.
    DesktopEntryIndex index() const;

    Folders folders_;
    IconTheme icons_;
};

} // namespace corvale
