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
constexpr const char* xfconfName = "org.xfce.Xfconf";
constexpr const char* xfconfPath = "/org/xfce/Xfconf";
constexpr const char* xfceChannel = "xfce4-notifyd";
constexpr const char* xfceProperty = "/do-not-disturb";
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
    startBus();
    startGnome();
    constructing_ = false;
    // The first report always comes from the event loop, never from inside the constructor.
    if (serverSettled_ && xfceSettled_ && gnomeSettled_) {
        initialWait_.start(0);
    }
}

DesktopDoNotDisturb::~DesktopDoNotDisturb() {
    stopProcess(monitor_);
    stopProcess(reader_);
    for (auto* slot : matchSlots_) {
        sd_bus_slot_unref(slot);
    }
    for (auto* slot :
         {serverOwnerCall_, xfconfOwnerCall_, xfconfCall_, inhibited_.call, paused_.call}) {
        sd_bus_slot_unref(slot);
    }
    events_.reset();
    if (bus_) {
        sd_bus_flush_close_unref(bus_);
    }
}

std::optional<bool> DesktopDoNotDisturb::state() const {
    if (!inhibited_.value && !paused_.value && !xfce_ && !showBanners_) {
        return std::nullopt;
    }
    return inhibited_.value.value_or(false) || paused_.value.value_or(false) ||
           xfce_.value_or(false) || !showBanners_.value_or(true);
}

void DesktopDoNotDisturb::startBus() {
    if (sd_bus_open_user(&bus_) < 0) {
        bus_ = nullptr;
        serverSettled();
        xfceSettled();
        return;
    }
    events_ = std::make_unique<SdBusEventSource>(
        bus_, [](sd_bus_message*) {},
        [this] {
            serverOwner_.clear();
            xfconfOwner_.clear();
            inhibited_.value = paused_.value = std::nullopt;
            xfce_ = std::nullopt;
            serverSettled();
            xfceSettled();
            report();
        });
    auto ownerRule = [](const char* name) {
        return std::string("type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/"
                           "DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                           "arg0='") +
               name + "'";
    };
    // Every interface's PropertiesChanged of the server's object; the handler tells them apart.
    const std::string propertiesRule =
        std::string("type='signal',path='") + serverPath +
        "',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'";
    const std::string xfconfRule = std::string("type='signal',path='") + xfconfPath +
                                   "',interface='" + xfconfName + "',arg0='" + xfceChannel +
                                   "',arg1='" + xfceProperty + "'";
    const std::vector<std::pair<std::string, sd_bus_message_handler_t>> matches = {
        {ownerRule(serverName), &DesktopDoNotDisturb::onNameOwnerChanged},
        {ownerRule(xfconfName), &DesktopDoNotDisturb::onNameOwnerChanged},
        {propertiesRule, &DesktopDoNotDisturb::onPropertiesChanged},
        {xfconfRule, &DesktopDoNotDisturb::onXfconfChanged},
    };
    int r = 0;
    for (const auto& [rule, handler] : matches) {
        sd_bus_slot* slot = nullptr;
        r = sd_bus_add_match_async(bus_, &slot, rule.c_str(), handler, nullptr, this);
        if (r < 0) {
            break;
        }
        matchSlots_.push_back(slot);
    }
    // Owners are asked by name and every later question goes to the owner's unique name, so
    // nothing here ever starts a server or the settings daemon.
    if (r >= 0) {
        r = sd_bus_call_method_async(bus_, &serverOwnerCall_, "org.freedesktop.DBus",
                                     "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                     "GetNameOwner", &DesktopDoNotDisturb::onServerOwnerReply, this,
                                     "s", serverName);
    }
    if (r >= 0) {
        r = sd_bus_call_method_async(bus_, &xfconfOwnerCall_, "org.freedesktop.DBus",
                                     "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                     "GetNameOwner", &DesktopDoNotDisturb::onXfconfOwnerReply, this,
                                     "s", xfconfName);
    }
    if (r < 0) {
        if (log_) {
            log_(std::string("[dnd] cannot watch the notification server: ") + std::strerror(-r));
        }
        serverSettled();
        xfceSettled();
    }
    events_->reschedule();
}

namespace {

// The owner in a GetNameOwner reply; empty when the name has none.
std::string ownerIn(sd_bus_message* m) {
    const char* owner = nullptr;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "s") <= 0 ||
        sd_bus_message_read_basic(m, 's', &owner) < 0 || !owner) {
        return {};
    }
    return owner;
}

// The boolean in a reply of signature "v"; none for an error or any other type.
std::optional<bool> booleanVariant(sd_bus_message* m) {
    int value = 0;
    if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_has_signature(m, "v") <= 0 ||
        sd_bus_message_enter_container(m, 'v', "b") <= 0 ||
        sd_bus_message_read_basic(m, 'b', &value) < 0) {
        return std::nullopt;
    }
    return value != 0;
}

} // namespace

int DesktopDoNotDisturb::onServerOwnerReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    self->serverOwnerCall_ = sd_bus_slot_unref(self->serverOwnerCall_);
    // No server yet: its arrival is announced as an owner change.
    self->serverOwnerIs(ownerIn(m));
    return 0;
}

int DesktopDoNotDisturb::onXfconfOwnerReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    self->xfconfOwnerCall_ = sd_bus_slot_unref(self->xfconfOwnerCall_);
    self->xfconfOwnerIs(ownerIn(m));
    return 0;
}

int DesktopDoNotDisturb::onNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    if (sd_bus_message_has_signature(m, "sss") <= 0 ||
        sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0) {
        return 0;
    }
    // A reply to an older question about the owner is now stale.
    if (std::strcmp(name, serverName) == 0) {
        self->serverOwnerCall_ = sd_bus_slot_unref(self->serverOwnerCall_);
        self->serverOwnerIs(newOwner);
    } else if (std::strcmp(name, xfconfName) == 0) {
        self->xfconfOwnerCall_ = sd_bus_slot_unref(self->xfconfOwnerCall_);
        self->xfconfOwnerIs(newOwner);
    }
    return 0;
}

void DesktopDoNotDisturb::serverOwnerIs(std::string owner) {
    if (owner == serverOwner_ && !owner.empty()) {
        return;
    }
    serverOwner_ = std::move(owner);
    for (ServerSwitch* serverSwitch : {&inhibited_, &paused_}) {
        serverSwitch->call = sd_bus_slot_unref(serverSwitch->call);
        serverSwitch->answered = false;
        serverSwitch->value = std::nullopt;
    }
    if (serverOwner_.empty()) {
        serverSettled();
        report();
        return;
    }
    askSwitch(inhibited_);
    askSwitch(paused_);
}

void DesktopDoNotDisturb::askSwitch(ServerSwitch& serverSwitch) {
    serverSwitch.call = sd_bus_slot_unref(serverSwitch.call);
    const int r = sd_bus_call_method_async(bus_, &serverSwitch.call, serverOwner_.c_str(),
                                           serverPath, "org.freedesktop.DBus.Properties", "Get",
                                           &DesktopDoNotDisturb::onSwitchReply, &serverSwitch, "ss",
                                           serverSwitch.interface, serverSwitch.property);
    if (r < 0) {
        switchAnswered(serverSwitch, std::nullopt);
    }
    if (events_) {
        events_->reschedule();
    }
}

int DesktopDoNotDisturb::onSwitchReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* serverSwitch = static_cast<ServerSwitch*>(userdata);
    serverSwitch->call = sd_bus_slot_unref(serverSwitch->call);
    // An error is a server without this switch: nothing of it to follow.
    serverSwitch->self->switchAnswered(*serverSwitch, booleanVariant(m));
    return 0;
}

void DesktopDoNotDisturb::switchAnswered(ServerSwitch& serverSwitch, std::optional<bool> value) {
    serverSwitch.answered = true;
    serverSwitch.value = value;
    if (inhibited_.answered && paused_.answered) {
        serverSettled();
    }
    report();
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
    ServerSwitch* serverSwitch = nullptr;
    for (ServerSwitch* candidate : {&self->inhibited_, &self->paused_}) {
        if (std::strcmp(interface, candidate->interface) == 0) {
            serverSwitch = candidate;
        }
    }
    if (!serverSwitch) {
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
        if (std::strcmp(name, serverSwitch->property) == 0 &&
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
            invalidated = invalidated || std::strcmp(name, serverSwitch->property) == 0;
        }
        sd_bus_message_exit_container(m);
    }
    if (changed) {
        serverSwitch->value = changed;
        self->report();
    } else if (invalidated) {
        self->askSwitch(*serverSwitch);
    }
    return 0;
}

void DesktopDoNotDisturb::xfconfOwnerIs(std::string owner) {
    if (owner == xfconfOwner_ && !owner.empty()) {
        return;
    }
    xfconfOwner_ = std::move(owner);
    xfconfCall_ = sd_bus_slot_unref(xfconfCall_);
    if (xfconfOwner_.empty()) {
        setXfce(std::nullopt);
        xfceSettled();
        return;
    }
    askXfconf();
}

void DesktopDoNotDisturb::askXfconf() {
    xfconfCall_ = sd_bus_slot_unref(xfconfCall_);
    const int r = sd_bus_call_method_async(
        bus_, &xfconfCall_, xfconfOwner_.c_str(), xfconfPath, xfconfName, "GetProperty",
        &DesktopDoNotDisturb::onXfconfReply, this, "ss", xfceChannel, xfceProperty);
    if (r < 0) {
        xfceSettled();
    }
    if (events_) {
        events_->reschedule();
    }
}

int DesktopDoNotDisturb::onXfconfReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    self->xfconfCall_ = sd_bus_slot_unref(self->xfconfCall_);
    // Not set at all is xfce4-notifyd's default: off.
    self->setXfce(booleanVariant(m));
    self->xfceSettled();
    return 0;
}

int DesktopDoNotDisturb::onXfconfChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<DesktopDoNotDisturb*>(userdata);
    const char* sender = sd_bus_message_get_sender(m);
    const char* member = sd_bus_message_get_member(m);
    if (!sender || !member || self->xfconfOwner_.empty() || self->xfconfOwner_ != sender) {
        return 0;
    }
    const char *channel = nullptr, *property = nullptr;
    if (std::strcmp(member, "PropertyRemoved") == 0 && sd_bus_message_has_signature(m, "ss") > 0) {
        self->setXfce(std::nullopt);
        return 0;
    }
    if (std::strcmp(member, "PropertyChanged") != 0 ||
        sd_bus_message_has_signature(m, "ssv") <= 0 ||
        sd_bus_message_read(m, "ss", &channel, &property) < 0) {
        return 0;
    }
    int value = 0;
    if (sd_bus_message_enter_container(m, 'v', "b") > 0 &&
        sd_bus_message_read_basic(m, 'b', &value) >= 0) {
        self->setXfce(value != 0);
    } else {
        self->setXfce(std::nullopt);
    }
    return 0;
}

void DesktopDoNotDisturb::setXfce(std::optional<bool> value) {
    xfce_ = value;
    report();
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

void DesktopDoNotDisturb::xfceSettled() {
    if (!xfceSettled_) {
        xfceSettled_ = true;
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
        const bool waiting =
            !(serverSettled_ && xfceSettled_ && gnomeSettled_) && initialWait_.isActive();
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
