#include "detect/linux/NotifyCallTap.h"

#include "core/AlertTrace.h"
#include "core/linux/SdBusHandles.h"
#include "detect/linux/MonitorBus.h"
#include "detect/linux/NotificationCall.h"
#include "detect/linux/NotificationMessages.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace corvale {
namespace {

constexpr const char* notificationsName = "org.freedesktop.Notifications";

const char* const tapRules[] = {
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'",
    nullptr,
};

bool same(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

// The call as the reader will see its banner, when it is a plain new notification.
std::optional<ObservedNotification> plainNotification(sd_bus_message* m) {
    const char* sender = sd_bus_message_get_sender(m);
    std::uint64_t cookie = 0;
    if (!sender || !same(sd_bus_message_get_destination(m), notificationsName) ||
        !same(sd_bus_message_get_path(m), "/org/freedesktop/Notifications") ||
        sd_bus_message_get_cookie(m, &cookie) < 0) {
        return std::nullopt;
    }
    auto call = notificationMessages::readNotifyCall(m);
    if (!call || call->replacesId != 0 || call->stackTag) {
        return std::nullopt;
    }
    // A call that names no app is named by its process, which only the banner tree looks up.
    auto texts = notificationCall::textsWithEntryOf(*call);
    if (texts.appName.empty()) {
        return std::nullopt;
    }
    ObservedNotification n;
    n.uuid = notificationCall::bannerIdentifier(sender, cookie);
    n.appName = std::move(texts.appName);
    n.desktopEntryName = std::move(texts.entryName);
    n.title = std::move(texts.title);
    n.body = std::move(texts.body);
    n.suppressSound = call->suppressSound;
    n.soundFile = std::move(call->soundFile);
    n.soundName = std::move(call->soundName);
    n.kind = ObservedNotification::Kind::single;
    return n;
}

// A monitor of Notify calls on the session bus, or none.
BusPtr tapConnection() {
    const auto address = sessionBusAddress();
    BusPtr bus;
    BusError error;
    if (address.empty() || openBus(address, true, bus) < 0 ||
        becomeMonitor(bus.get(), tapRules, error) < 0) {
        return nullptr;
    }
    return bus;
}

} // namespace

NotifyCallTap::NotifyCallTap() {
    stopFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stopFd_ >= 0) {
        auto first = tapConnection();
        watching_ = static_cast<bool>(first);
        thread_ = std::thread([this, bus = std::move(first)]() mutable { run(std::move(bus)); });
    }
}

NotifyCallTap::~NotifyCallTap() {
    stop();
    if (stopFd_ >= 0) {
        close(stopFd_);
    }
}

void NotifyCallTap::stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
}

void NotifyCallTap::setSeen(Seen seen) {
    std::lock_guard lock(seenMutex_);
    seen_ = std::move(seen);
}

void NotifyCallTap::handOn(const ObservedNotification& notification) {
    std::lock_guard lock(seenMutex_);
    if (seen_) {
        seen_(notification);
    }
}

void NotifyCallTap::run(BusPtr first) {
    // Until stopped: a bus that is not there yet, or went away, is tried again now and then.
    while (watch(first ? std::move(first) : tapConnection())) {
        pollfd stop{stopFd_, POLLIN, 0};
        if (poll(&stop, 1, retryMillis) != 0) {
            return;
        }
    }
}

bool NotifyCallTap::watch(BusPtr bus) {
    if (!bus) {
        return true;
    }
    watching_ = true;
    for (;;) {
        MessagePtr message;
        const int r = sd_bus_process(bus.get(), OutPtr(message));
        if (r < 0) {
            break;
        }
        if (message && sd_bus_message_is_method_call(message.get(), notificationsName, "Notify")) {
            alertTrace::stage("tap: Notify seen");
            if (auto n = plainNotification(message.get())) {
                handOn(*n);
            }
        }
        if (r > 0) {
            continue;
        }
        const int events = sd_bus_get_events(bus.get());
        std::uint64_t deadline = 0;
        if (events < 0 || sd_bus_get_timeout(bus.get(), &deadline) < 0) {
            break;
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus.get()), static_cast<short>(events), 0},
                         {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, millisUntil(deadline)) < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents != 0) {
            watching_ = false;
            return false;
        }
    }
    watching_ = false;
    return true;
}

} // namespace corvale
