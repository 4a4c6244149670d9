#pragma once

#include "platform/Workspace.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace corvale::test {

// A desktop with the applications a test lists; records what was opened and counts lookups.
struct FakeWorkspace : Workspace {
    std::vector<RunningApp> running;
    std::vector<AppLocation> installed;       // searched by exact name
    std::map<std::string, std::string> icons; // application path → icon file
    bool urlsOpen = true;

    std::vector<AppLocation> windows; // running applications whose window can be raised

    std::vector<AppLocation> opened;
    std::vector<AppLocation> raised;
    std::vector<std::string> urls;
    std::vector<std::filesystem::path> revealed;
    int lookups = 0;

    std::vector<RunningApp> runningApplications() override {
        ++lookups;
        return running;
    }
    std::optional<AppLocation> applicationWithDesktopId(const std::string& desktopId) override {
        for (const auto& app : installed) {
            if (app.desktopId == desktopId) {
                return app;
            }
        }
        return std::nullopt;
    }
    std::optional<AppLocation> installedApplication(const std::string& name) override {
        for (const auto& app : installed) {
            if (app.name == name) {
                return app;
            }
        }
        return std::nullopt;
    }
    std::vector<AppLocation> installedApplications() override { return installed; }
    bool openApplication(const AppLocation& app) override {
        opened.push_back(app);
        return true;
    }
    bool raiseApplication(const AppLocation& app) override {
        if (std::find(windows.begin(), windows.end(), app) == windows.end()) {
            return false;
        }
        raised.push_back(app);
        return true;
    }
    bool openURL(const std::string& url) override {
        urls.push_back(url);
        return urlsOpen;
    }
    std::optional<std::filesystem::path> iconFile(const AppLocation& app) override {
        auto found = icons.find(app.path.string());
        return found == icons.end() ? std::nullopt
                                    : std::optional<std::filesystem::path>(found->second);
    }
    bool revealFile(const std::filesystem::path& path) override {
        revealed.push_back(path);
        return true;
    }
};

} // namespace corvale::test
