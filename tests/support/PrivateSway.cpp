#include "support/PrivateSway.h"

#include <csignal>
#include <cstdlib>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace corvale::test {
namespace {

using namespace std::chrono_literals;

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

struct User {
    uid_t uid;
    gid_t gid;
};

// Whom the session runs as: "nobody" under root, else no one else.
std::optional<User> otherUser() {
    if (geteuid() != 0) {
        return std::nullopt;
    }
    const passwd* user = getpwnam("nobody");
    return user ? std::optional<User>({user->pw_uid, user->pw_gid}) : std::nullopt;
}

} // namespace

PrivateSway::PrivateSway(bool trayBar, int width, int height) {
    std::vector<std::string> needed{"sway", "swaymsg", "Xwayland", "grim"};
    if (geteuid() == 0) {
        needed.push_back("setpriv");
        if (!otherUser()) {
            setupError_ = "sway will not run as root, and there is no user \"nobody\"";
            return;
        }
    }
    for (const auto& program : needed) {
        if (!onPath(program)) {
            setupError_ = program + " is not installed";
            return;
        }
    }
    // The user must reach the config, the installed program and its share/ folder in here.
    chmod(dir_.path().c_str(), 0755);
    const auto run = dir_ / "run";
    std::filesystem::create_directories(run);
    chmod(run.c_str(), 0700);
    giveToUser(run);
    // sway passes its sockets to the programs it starts, and nothing else tells them to us.
    writeFile(dir_ / "announce.sh",
              "printf '%s\\n%s\\n%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$SWAYSOCK\" "
              "> \"$1.part\" && mv \"$1.part\" \"$1\"\n");
    writeFile(dir_ / "sway.conf",
              "xwayland enable\noutput * resolution " + std::to_string(width) + "x" +
                  std::to_string(height) + "\nexec /bin/sh " + (dir_ / "announce.sh").string() +
                  " " + (run / "session").string() + "\n" +
                  (trayBar ? "bar {\n  position top\n  tray_output *\n}\n" : ""));
    sway_ = std::make_unique<ChildProcess>(
        asUser({"sway", "-c", (dir_ / "sway.conf").string()}),
        std::map<std::string, std::optional<std::string>>{
            {"XDG_RUNTIME_DIR", run.string()},
            {"HOME", run.string()},
            {"WLR_BACKENDS", "headless"},
            {"WLR_LIBINPUT_NO_DEVICES", "1"},
            // Software rendering: the same pixels on every machine, GPU or not.
            {"WLR_RENDERER", "pixman"},
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt},
            {"SWAYSOCK", std::nullopt}},
        dir_ / "logs");
    std::string announced;
    waitUntil(
        [&] {
            announced = readFile(run / "session");
            return !announced.empty() || !sway_->running();
        },
        20s);
    std::istringstream lines(announced);
    std::string wayland;
    std::getline(lines, wayland);
    std::getline(lines, display_);
    std::getline(lines, ipc_);
    if (wayland.empty() || display_.empty() || ipc_.empty()) {
        setupError_ = "sway did not start: " + sway_->errors();
        return;
    }
    wayland_ = (run / wayland).string();
    if (!waitUntil(
            [&] {
                return this->run({"swaymsg", "-t", "get_outputs"}).exitCode == 0;
            },
            10s)) {
        setupError_ = "sway does not answer on its IPC socket: " + sway_->errors();
        return;
    }
    ready_ = true;
}

PrivateSway::~PrivateSway() {
    // sway ends XWayland and removes its sockets and lock files when asked to quit.
    if (sway_) {
        sway_->signal(SIGTERM);
        sway_->wait(5s);
    }
}

std::map<std::string, std::optional<std::string>> PrivateSway::clientEnvironment() const {
    return {{"WAYLAND_DISPLAY", wayland_},
            {"DISPLAY", display_},
            {"SWAYSOCK", ipc_},
            {"XAUTHORITY", std::nullopt}};
}

std::vector<std::string> PrivateSway::asUser(std::vector<std::string> argv) {
    if (const auto user = otherUser()) {
        argv.insert(argv.begin(), {"setpriv", "--reuid=" + std::to_string(user->uid),
                                   "--regid=" + std::to_string(user->gid), "--clear-groups", "--"});
    }
    return argv;
}

void PrivateSway::giveToUser(const std::filesystem::path& folder) const {
    const auto user = otherUser();
    if (!user) {
        return;
    }
    lchown(folder.c_str(), user->uid, user->gid);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        lchown(entry.path().c_str(), user->uid, user->gid);
    }
}

std::filesystem::path PrivateSway::install(const std::filesystem::path& program) const {
    const auto root = dir_ / "app";
    std::filesystem::create_directories(root / "bin");
    std::filesystem::copy_file(program, root / "bin" / program.filename());
    const auto share = program.parent_path().parent_path() / "share";
    if (std::filesystem::is_directory(share)) {
        std::filesystem::copy(share, root / "share", std::filesystem::copy_options::recursive);
    }
    giveToUser(root);
    return root / "bin" / program.filename();
}

std::map<std::string, std::optional<std::string>>
PrivateSway::merged(const std::map<std::string, std::optional<std::string>>& extra) const {
    auto environment = clientEnvironment();
    for (const auto& [name, value] : extra) {
        environment[name] = value;
    }
    return environment;
}

std::unique_ptr<ChildProcess>
PrivateSway::start(const std::vector<std::string>& argv,
                   const std::map<std::string, std::optional<std::string>>& extra) const {
    return std::make_unique<ChildProcess>(asUser(argv), merged(extra), dir_ / "logs");
}

CommandResult PrivateSway::run(const std::vector<std::string>& argv,
                               const std::map<std::string, std::optional<std::string>>& extra,
                               std::chrono::milliseconds timeout) const {
    return runCommand(asUser(argv), merged(extra), timeout);
}

} // namespace corvale::test
