#pragma once

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvale::test {

// A Wayland session of the test's own: headless sway with XWayland on one output. sway refuses to
// run as root, so under root the session and the programs started in it run as the unprivileged
// user "nobody"; otherwise as the test's own user. It stops when the object goes.
class PrivateSway {
public:
    // With `trayBar`, swaybar runs along the top with its tray, a StatusNotifierItem host on the
    // session bus that DBUS_SESSION_BUS_ADDRESS names when the session starts.
    explicit PrivateSway(bool trayBar = false, int width = 1024, int height = 768);
    ~PrivateSway();
    PrivateSway(const PrivateSway&) = delete;
    PrivateSway& operator=(const PrivateSway&) = delete;

    // Whether the session came up; when not, setupError() says why (a missing program, no
    // unprivileged user, a compositor that would not start) and tests skip.
    bool ready() const { return ready_; }
    const std::string& setupError() const { return setupError_; }

    // The Wayland socket's full path: what grim and Wayland clients need, from any user.
    const std::string& waylandSocket() const { return wayland_; }
    // The variables that point a client at this session: Wayland, XWayland and sway's IPC.
    std::map<std::string, std::optional<std::string>> clientEnvironment() const;

    // argv as the session's user runs it.
    static std::vector<std::string> asUser(std::vector<std::string> argv);
    // Makes a folder and everything in it the session user's.
    void giveToUser(const std::filesystem::path& folder) const;
    // Copies a built program and the share/ folder beside its bin/ to where the user can read
    // them (a checkout may live under /root); returns the copy's path.
    std::filesystem::path install(const std::filesystem::path& program) const;

    // Starts or runs a program as the user in this session, with `extra` on top.
    std::unique_ptr<ChildProcess>
    start(const std::vector<std::string>& argv,
          const std::map<std::string, std::optional<std::string>>& extra = {}) const;
    CommandResult run(const std::vector<std::string>& argv,
                      const std::map<std::string, std::optional<std::string>>& extra = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

private:
    std::map<std::string, std::optional<std::string>>
    merged(const std::map<std::string, std::optional<std::string>>& extra) const;

    TempDir dir_;
    std::unique_ptr<ChildProcess> sway_;
    std::string wayland_;
    std::string display_;
    std::string ipc_;
    bool ready_ = false;
    std::string setupError_;
};

} // namespace corvale::test
