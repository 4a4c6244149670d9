#include "silence/linux/GnomeShowBanners.h"

#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <sys/prctl.h>

namespace corvale {
namespace {

constexpr const char* schema = "org.gnome.desktop.notifications";
constexpr const char* key = "show-banners";

std::optional<bool> booleanWord(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    if (text == "true") {
        return true;
    }
    if (text == "false") {
        return false;
    }
    return std::nullopt;
}

// A watcher must not outlive us when we crash.
void dieWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

void stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process) {
        return;
    }
    QObject::disconnect(process.get(), nullptr, nullptr, nullptr);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(1000);
    }
    process.reset();
}

} // namespace

bool GnomeShowBanners::desktopIsGnome(const char* currentDesktop) {
    if (!currentDesktop) {
        return false;
    }
    std::string_view rest(currentDesktop);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        std::string_view entry = rest.substr(0, colon);
        if (entry.size() == 5) {
            std::string upper(entry);
            for (char& c : upper) {
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            }
            if (upper == "GNOME") {
                return true;
            }
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return false;
}

GnomeShowBanners::GnomeShowBanners(std::function<void()> changed, LogFn log)
    : DoNotDisturbSource(std::move(changed)), log_(std::move(log)) {}

GnomeShowBanners::~GnomeShowBanners() {
    stopProcess(monitor_);
    stopProcess(reader_);
}

void GnomeShowBanners::start() {
    const QString gsettings = QStandardPaths::findExecutable("gsettings");
    if (!desktopIsGnome(std::getenv("XDG_CURRENT_DESKTOP")) || gsettings.isEmpty()) {
        settle();
        return;
    }
    // The watcher starts first, so no change between the read and the watch is missed.
    monitor_ = std::make_unique<QProcess>();
    monitor_->setChildProcessModifier(dieWithParent);
    monitor_->setProgram(gsettings);
    monitor_->setArguments({"monitor", schema, key});
    monitor_->setProcessChannelMode(QProcess::SeparateChannels);
    monitor_->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(monitor_.get(), &QProcess::readyReadStandardOutput, monitor_.get(),
                     [this] { readMonitorLines(); });
    QObject::connect(monitor_.get(), &QProcess::finished, monitor_.get(), [this] {
        if (log_) {
            log_("[dnd] stopped following the GNOME notification banners setting");
        }
        set(std::nullopt);
        settle();
    });
    monitor_->start();

    reader_ = std::make_unique<QProcess>();
    reader_->setChildProcessModifier(dieWithParent);
    reader_->setProgram(gsettings);
    reader_->setArguments({"get", schema, key});
    reader_->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(reader_.get(), &QProcess::finished, reader_.get(),
                     [this](int exitCode, QProcess::ExitStatus status) {
                         auto value = std::optional<bool>();
                         if (status == QProcess::NormalExit && exitCode == 0) {
                             value = booleanWord(reader_->readAllStandardOutput().toStdString());
                         }
                         if (!value) {
                             // No such setting here: there is nothing to follow.
                             stopProcess(monitor_);
                         } else if (!monitorReported_) {
                             set(value);
                         }
                         settle();
                     });
    QObject::connect(reader_.get(), &QProcess::errorOccurred, reader_.get(),
                     [this](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             stopProcess(monitor_);
                             settle();
                         }
                     });
    reader_->start();
}

void GnomeShowBanners::readMonitorLines() {
    monitorBuffer_ += monitor_->readAllStandardOutput().toStdString();
    // Lines read "show-banners: false"; a watcher gone astray must not grow the buffer forever.
    if (monitorBuffer_.size() > 65536) {
        monitorBuffer_.clear();
    }
    const std::string prefix = std::string(key) + ": ";
    size_t end;
    while ((end = monitorBuffer_.find('\n')) != std::string::npos) {
        std::string line = monitorBuffer_.substr(0, end);
        monitorBuffer_.erase(0, end + 1);
        if (line.rfind(prefix, 0) != 0) {
            continue;
        }
        if (auto value = booleanWord(std::string_view(line).substr(prefix.size()))) {
            monitorReported_ = true;
            set(value);
        }
    }
}

} // namespace corvale
