#include "silence/linux/DesktopDoNotDisturb.h"

#include "core/linux/SdBusEventSource.h"

#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/prctl.h>
#include <systemd/sd-bus.h>

namespace corvale {
namespace {

constexpr const char* serverName = "org.freedesktop.Notifications";
constexpr const char* serverPath = "/org/freedesktop/Notifications";
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

bool DesktopDoNotDisturb::desktopIsGnome(const char* currentDesktop) {
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

DesktopDoNotDisturb::DesktopDoNotDisturb(ChangeFn onChange, LogFn log)
    : onChange_(std::move(onChange)), log_(std::move(log)) {
    initialWait_.setSingleShot(true);
    QObject::connect(&initialWait_, &QTimer::timeout, [this] { report(); });
    initialWait_.start(initialWaitMs);
    constructing_ = true;
    startNotificationServer();
    startGnome();
    constructing_ = false;
    // The first report always comes from the event loop, never from inside the constructor.
    if (serverSettled_ && gnomeSettled_) {
        initialWait_.start(0);
    }
}

DesktopDoNotDisturb::~DesktopDoNotDisturb() {
    stopProcess(monitor_);
    stopProcess(reader_);
    for (auto* slot : {ownerChangedSlot_, propertiesSlot_, ownerCallSlot_, inhibitedCallSlot_}) {
        sd_bus_slot_unref(slot);
    }
    events_.reset();
    if (bus_) {
        sd_bus_flush_close_unref(bus_);
    }
}

std::optional<bool> DesktopDoNotDisturb::state() const {
    if (!inhibited_ && !showBanners_) {
        return std::nullopt;
    }
    return inhibited_.value_or(false) || !showBanners_.value_or(true);
}

void DesktopDoNotDisturb::startNotificationServer() {
    if (sd_bus_open_user(&bus_) < 0) {
        bus_ = nullptr;
        serverSettled();
        return;
    }
    events_ = std::make_unique<SdBusEventSource>(
        bus_, [](sd_bus_message*) {},
        [this] {
            serverOwner_.clear();
            setInhibited(std::nullopt);
            serverSettled();
        });
    const std::string ownerRule =
        std::string("type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                    "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
        serverName + "'";
    const std::string propertiesRule =
        std::string("type='signal',path='") + serverPath +
        "',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',arg0='" +
        serverName + "'";
    int r = sd_bus_add_match_async(bus_, &ownerChangedSlot_, ownerRule.c_str(),
                                   &DesktopDoNotDisturb::onNameOwnerChanged, nullptr, this);
    if (r >= 0) {
        r = sd_bus_add_match_async(bus_, &propertiesSlot_, propertiesRule.c_str(),
                                   &DesktopDoNotDisturb::onPropertiesChanged, nullptr, this);
    }
    if (r >= 0) {
        r = sd_bus_call_method_async(bus_, &ownerCallSlot_, "org.freedesktop.DBus",
                                     "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                     "GetNameOwner", &DesktopDoNotDisturb::onNameOwnerReply, this,
                                     "s", serverName);
    }
    if (r < 0) {
        if (log_) {
            log_(std::string("[dnd] cannot watch the notification server: ") + std::strerror(-r));
        }
        serverSettled();
    }
    events_->reschedule();
}

int DesktopDoNotDisturb::onNameOwnerReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    self->ownerCallSlot_ = sd_bus_slot_unref(self->ownerCallSlot_);
    const char* owner = nullptr;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "s") <= 0 ||
        sd_bus_message_read_basic(m, 's', &owner) < 0 || !owner) {
        // No notification server runs yet; its arrival is announced as an owner change.
        self->serverSettled();
        return 0;
    }
    self->serverOwnerIs(owner);
    return 0;
}

int DesktopDoNotDisturb::onNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    if (sd_bus_message_has_signature(m, "sss") <= 0 ||
        sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0 ||
        std::strcmp(name, serverName) != 0) {
        return 0;
    }
    // A reply to an older question about the owner is now stale.
    self->ownerCallSlot_ = sd_bus_slot_unref(self->ownerCallSlot_);
    self->serverOwnerIs(newOwner);
    return 0;
}

void DesktopDoNotDisturb::serverOwnerIs(std::string owner) {
    if (owner == serverOwner_ && !owner.empty()) {
        return;
    }
    serverOwner_ = std::move(owner);
    inhibitedCallSlot_ = sd_bus_slot_unref(inhibitedCallSlot_);
    if (serverOwner_.empty()) {
        setInhibited(std::nullopt);
        serverSettled();
        return;
    }
    askInhibited();
}

void DesktopDoNotDisturb::askInhibited() {
    inhibitedCallSlot_ = sd_bus_slot_unref(inhibitedCallSlot_);
    // Asked of the owner's unique name, so the question never starts a server.
    const int r = sd_bus_call_method_async(bus_, &inhibitedCallSlot_, serverOwner_.c_str(),
                                           serverPath, "org.freedesktop.DBus.Properties", "Get",
                                           &DesktopDoNotDisturb::onInhibitedReply, this, "ss",
                                           serverName, "Inhibited");
    if (r < 0) {
        serverSettled();
    }
    if (events_) {
        events_->reschedule();
    }
}

int DesktopDoNotDisturb::onInhibitedReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    self->inhibitedCallSlot_ = sd_bus_slot_unref(self->inhibitedCallSlot_);
    int value = 0;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "v") <= 0 ||
        sd_bus_message_enter_container(m, 'v', "b") <= 0 ||
        sd_bus_message_read_basic(m, 'b', &value) < 0) {
        // This server has no do-not-disturb of its own to tell.
        self->setInhibited(std::nullopt);
    } else {
        self->setInhibited(value != 0);
    }
    self->serverSettled();
    return 0;
}

int DesktopDoNotDisturb::onPropertiesChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    const char* interface = nullptr;
    // Only the server itself speaks for its properties.
    if (!sender || self->serverOwner_.empty() || self->serverOwner_ != sender ||
        sd_bus_message_has_signature(m, "sa{sv}as") <= 0 ||
        sd_bus_message_read_basic(m, 's', &interface) < 0) {
        return 0;
    }
    std::optional<bool> changed;
    bool invalidated = false;
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
        return 0;
    }
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read_basic(m, 's', &name) < 0) {
            return 0;
        }
        int value = 0;
        if (std::strcmp(name, "Inhibited") == 0 &&
            sd_bus_message_enter_container(m, 'v', "b") > 0) {
            if (sd_bus_message_read_basic(m, 'b', &value) < 0) {
                return 0;
            }
            changed = value != 0;
            sd_bus_message_exit_container(m);
        } else if (sd_bus_message_skip(m, "v") < 0) {
            return 0;
        }
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    if (sd_bus_message_enter_container(m, 'a', "s") > 0) {
        const char* name = nullptr;
        while (sd_bus_message_read_basic(m, 's', &name) > 0) {
            invalidated = invalidated || std::strcmp(name, "Inhibited") == 0;
        }
        sd_bus_message_exit_container(m);
    }
    if (changed) {
        self->setInhibited(changed);
    } else if (invalidated) {
        self->askInhibited();
    }
    return 0;
}

void DesktopDoNotDisturb::startGnome() {
    const QString gsettings = QStandardPaths::findExecutable("gsettings");
    if (!desktopIsGnome(std::getenv("XDG_CURRENT_DESKTOP")) || gsettings.isEmpty()) {
        gnomeSettled();
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
        setShowBanners(std::nullopt);
        gnomeSettled();
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
                             setShowBanners(value);
                         }
                         gnomeSettled();
                     });
    QObject::connect(reader_.get(), &QProcess::errorOccurred, reader_.get(),
                     [this](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             stopProcess(monitor_);
                             gnomeSettled();
                         }
                     });
    reader_->start();
}

void DesktopDoNotDisturb::readMonitorLines() {
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
            setShowBanners(value);
        }
    }
}

void DesktopDoNotDisturb::setInhibited(std::optional<bool> value) {
    inhibited_ = value;
    report();
}

void DesktopDoNotDisturb::setShowBanners(std::optional<bool> value) {
    showBanners_ = value;
    report();
}

void DesktopDoNotDisturb::serverSettled() {
    if (!serverSettled_) {
        serverSettled_ = true;
        report();
    }
}

void DesktopDoNotDisturb::gnomeSettled() {
    if (!gnomeSettled_) {
        gnomeSettled_ = true;
        report();
    }
}

void DesktopDoNotDisturb::report() {
    const bool on = state().value_or(false);
    if (!initialReported_) {
        const bool waiting = !(serverSettled_ && gnomeSettled_) && initialWait_.isActive();
        if (waiting || constructing_) {
            return;
        }
        initialWait_.stop();
        initialReported_ = true;
        lastReported_ = on;
        if (onChange_) {
            onChange_(on, true);
        }
        return;
    }
    if (on != lastReported_) {
        lastReported_ = on;
        if (onChange_) {
            onChange_(on, false);
        }
    }
}

} // namespace corvale
