#include "support/PrivateDisplay.h"

#include <csignal>

namespace corvale::test {

PrivateDisplay::PrivateDisplay() {
    // -displayfd: the server takes the first free display and writes its number on stdout once it
    // accepts connections. -noreset keeps it (and its keymap) alive between clients.
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset",
                                 "-screen", "0", "1024x768x24"},
        std::map<std::string, std::optional<std::string>>{}, dir_.path());
    std::string number;
    const bool announced = waitUntil(
        [&] {
            const auto output = server_->output();
            const auto end = output.find('\n');
            if (end == std::string::npos) {
                return !server_->running();
            }
            number = output.substr(0, end);
            return true;
        },
        std::chrono::seconds(20));
    if (!announced || number.empty() ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        setupError_ = "Xvfb did not start: " + server_->errors();
        return;
    }
    name_ = ":" + number;
    ready_ = true;
}

PrivateDisplay::~PrivateDisplay() {
    // A terminated server removes its lock file and socket; a killed one would leave them.
    server_->signal(SIGTERM);
    server_->wait(std::chrono::seconds(5));
}

std::map<std::string, std::optional<std::string>> PrivateDisplay::clientEnvironment() const {
    return {{"DISPLAY", name_}, {"WAYLAND_DISPLAY", std::nullopt}, {"XAUTHORITY", std::nullopt}};
}

std::unique_ptr<ChildProcess> PrivateDisplay::start(std::vector<std::string> argv) const {
    return std::make_unique<ChildProcess>(std::move(argv), clientEnvironment(), dir_.path());
}

CommandResult PrivateDisplay::run(const std::vector<std::string>& argv,
                                  std::chrono::milliseconds timeout) const {
    return runCommand(argv, clientEnvironment(), timeout);
}

bool PrivateDisplay::waitForWindow(std::vector<std::string> query,
                                   std::chrono::milliseconds timeout) const {
    query.insert(query.begin(), {"xdotool", "search"});
    return waitUntil([&] { return run(query).exitCode == 0; }, timeout);
}

void PrivateDisplay::kill() {
    // The lock file left behind names a dead process, which the next server treats as free.
    server_->signal(SIGKILL);
    server_->wait(std::chrono::seconds(5));
}

} // namespace corvale::test
