#pragma once

#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// A session bus of the test's own. While it lives, DBUS_SESSION_BUS_ADDRESS of this process (and of
// the programs it starts) points at it; the variable is put back and the bus killed when it goes.
// Services written with addService() are started by the bus on demand.
class PrivateBus {
public:
    // `launcher` runs the daemon as another user (setpriv ...): the bus lets only its own user
    // monitor it, as a desktop's does, and every user connect.
    explicit PrivateBus(std::vector<std::string> launcher = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Whether the bus came up; tests fail with setupError() when it did not.
    bool ready() const { return ready_; }
    const std::string& setupError() const { return setupError_; }
    const std::string& address() const { return address_; }
    int pid() const { return daemon_ ? daemon_->pid() : -1; }

    // The variables that point a client at this bus.
    std::map<std::string, std::optional<std::string>> clientEnvironment() const;

    // Makes `name` activatable: the bus runs `command` when a message is sent to it.
    bool addService(const std::string& name, const std::vector<std::string>& command);

    // Starts a program on this bus, its output kept beside the bus's files.
    std::unique_ptr<ChildProcess>
    start(const std::vector<std::string>& argv,
          const std::map<std::string, std::optional<std::string>>& extra = {});

    // The process that owns `name` on this bus, if any.
    std::optional<int> ownerPid(const std::string& name) const;

private:
    TempDir dir_;
    std::unique_ptr<ChildProcess> daemon_;
    std::string address_;
    ScopedEnvironment environment_;
    bool ready_ = false;
    std::string setupError_;
};

} // namespace corvale::test
