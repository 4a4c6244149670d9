#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// An application the desktop knows: the entry that launches it and the name people see.
struct AppLocation {
    std::string name;
    // The desktop's identifier for the application (its desktop file ID, without ".desktop").
    std::string desktopId;
    std::filesystem::path path;
    friend bool operator==(const AppLocation&, const AppLocation&) = default;
};

struct RunningApp {
    AppLocation app;
    // An application people start and switch to, not a helper or a background process.
    bool ordinary = false;
};

// The desktop's applications, files and URLs, as the logic asks for them.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual std::vector<RunningApp> runningApplications() = 0;
    // The application the desktop knows under this identifier, running or not.
    virtual std::optional<AppLocation> applicationWithDesktopId(const std::string& desktopId) = 0;
    // An installed application of this name, searched where and in the order the desktop does.
    virtual std::optional<AppLocation> installedApplication(const std::string& name) = 0;
    // The applications a person can start, as the desktop's menus list them.
    virtual std::vector<AppLocation> installedApplications() = 0;
    // Starts the application, or brings it forward when it runs already.
    virtual bool openApplication(const AppLocation& app) = 0;
    // Brings a window of the running application forward; false when none of its windows can be
    // found (a desktop that does not say whose its windows are finds none).
    virtual bool raiseApplication(const AppLocation& app) {
        (void)app;
        return false;
    }
    // True only when a program that handles the URL's scheme was started with it.
    virtual bool openURL(const std::string& url) = 0;
    // The file of an application's icon, for the views to load.
    virtual std::optional<std::filesystem::path> iconFile(const AppLocation& app) = 0;
    // Shows the file in the file manager.
    virtual bool revealFile(const std::filesystem::path& path) = 0;
};

} // namespace corvale
