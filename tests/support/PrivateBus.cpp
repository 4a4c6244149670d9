#include "support/PrivateBus.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace corvale::test {
namespace {

using namespace std::chrono_literals;

std::string quoted(const std::string& argument) {
    // The quoting of a service file's Exec line: double quotes, backslash escapes.
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

PrivateBus::PrivateBus(std::vector<std::string> launcher) {
    const auto services = dir_ / "services";
    std::filesystem::create_directories(services);
    std::filesystem::create_directories(dir_ / "socket");
    chmod(dir_.path().c_str(), 0711);
    chmod((dir_ / "socket").c_str(), 01777);
    writeFile(dir_ / "session.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig>\n"
              "  <type>session</type>\n"
              "  <listen>unix:dir=" +
                  (dir_ / "socket").string() +
                  "</listen>\n"
                  "  <servicedir>" +
                  services.string() +
                  "</servicedir>\n"
                  "  <policy context=\"default\">\n"
                  "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                  "    <allow eavesdrop=\"true\"/>\n"
                  "    <allow own=\"*\"/>\n"
                  "    <allow user=\"*\"/>\n"
                  "  </policy>\n"
                  // The limits of a desktop's session bus, so floods behave as they would there.
                  "  <limit name=\"max_incoming_bytes\">1000000000</limit>\n"
                  "  <limit name=\"max_outgoing_bytes\">1000000000</limit>\n"
                  "  <limit name=\"max_message_size\">1000000000</limit>\n"
                  "  <limit name=\"max_match_rules_per_connection\">50000</limit>\n"
                  "  <limit name=\"max_replies_per_connection\">50000</limit>\n"
                  "</busconfig>\n");
    launcher.insert(launcher.end(),
                    {"dbus-daemon", "--config-file=" + (dir_ / "session.conf").string(), "--nofork",
                     "--print-address=1"});
    daemon_ = std::make_unique<ChildProcess>(launcher,
                                             std::map<std::string, std::optional<std::string>>{
                                                 {"DBUS_SESSION_BUS_ADDRESS", std::nullopt}},
                                             dir_ / "logs");
    waitUntil(
        [this] { return daemon_->output().find('\n') != std::string::npos || !daemon_->running(); },
        10s);
    const auto output = daemon_->output();
    const auto newline = output.find('\n');
    if (newline == std::string::npos || !daemon_->running()) {
        setupError_ = "dbus-daemon did not start: " + daemon_->errors();
        return;
    }
    address_ = output.substr(0, newline);
    environment_.set("DBUS_SESSION_BUS_ADDRESS", address_);
    ready_ = true;
}

PrivateBus::~PrivateBus() {
    daemon_.reset();
}

std::map<std::string, std::optional<std::string>> PrivateBus::clientEnvironment() const {
    return {{"DBUS_SESSION_BUS_ADDRESS", address_}};
}

bool PrivateBus::addService(const std::string& name, const std::vector<std::string>& command) {
    std::string exec;
    for (const auto& argument : command) {
        exec += (exec.empty() ? "" : " ") + quoted(argument);
    }
    writeFile(dir_ / "services" / (name + ".service"),
              "[D-BUS Service]\nName=" + name + "\nExec=" + exec + "\n");
    // The bus reads its service folder again on request.
    return runCommand({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                       "/org/freedesktop/DBus", "org.freedesktop.DBus.ReloadConfig"},
                      clientEnvironment(), 10s)
               .exitCode == 0;
}

std::unique_ptr<ChildProcess>
PrivateBus::start(const std::vector<std::string>& argv,
                  const std::map<std::string, std::optional<std::string>>& extra) {
    auto environment = clientEnvironment();
    for (const auto& [name, value] : extra) {
        environment[name] = value;
    }
    return std::make_unique<ChildProcess>(argv, environment, dir_ / "logs");
}

std::optional<int> PrivateBus::ownerPid(const std::string& name) const {
    auto result = runCommand({"dbus-send", "--session", "--print-reply",
                              "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name},
                             clientEnvironment(), 10s);
    const auto at = result.output.find("uint32 ");
    if (result.exitCode != 0 || at == std::string::npos) {
        return std::nullopt;
    }
    return std::atoi(result.output.c_str() + at + 7);
}

} // namespace corvale::test
