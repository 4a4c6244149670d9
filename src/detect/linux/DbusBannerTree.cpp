#include "detect/linux/DbusBannerTree.h"

#include "core/linux/NameOwnerWatch.h"
#include "core/linux/SdBusEventSource.h"
#include "core/linux/SdBusHandles.h"
#include "detect/linux/BannerStore.h"
#include "detect/linux/MonitorBus.h"
#include "detect/linux/NotificationText.h"
#include "detect/linux/NotificationTraffic.h"

#include <QMetaObject>
#include <QObject>
#include <map>

#include <systemd/sd-bus.h>

namespace corvale {
namespace {

constexpr const char* busName = "org.freedesktop.DBus";
constexpr const char* busPath = "/org/freedesktop/DBus";
constexpr const char* notificationsName = "org.freedesktop.Notifications";
constexpr const char* gtkNotificationsName = "org.gtk.Notifications";

const char* const monitorRules[] = {
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'",
    "type='method_call',interface='org.freedesktop.Notifications',member='CloseNotification'",
    "type='signal',interface='org.freedesktop.Notifications',member='NotificationClosed'",
    "type='method_call',interface='org.gtk.Notifications',member='AddNotification'",
    "type='method_call',interface='org.gtk.Notifications',member='RemoveNotification'",
    "type='method_return',sender='org.freedesktop.Notifications'",
    "type='error',sender='org.freedesktop.Notifications'",
    "type='method_return',sender='org.gtk.Notifications'",
    "type='error',sender='org.gtk.Notifications'",
    // The bus itself answers calls to a server that is missing or fails to start.
    "type='error',sender='org.freedesktop.DBus'",
    nullptr,
};

} // namespace

struct DbusBannerTree::Impl : NotificationTraffic::Host {
    struct ChangeObserver {
        int pid;
        std::function<void()> fn;
    };

    explicit Impl(LogFn logFn) : log(std::move(logFn)) {}

    LogFn log;
    QObject context;
    BusPtr bus;
    BusPtr monitor;
    std::unique_ptr<NameOwnerWatch> ownerWatch;
    std::unique_ptr<NameOwnerWatch> gtkOwnerWatch;
    std::unique_ptr<SdBusEventSource> busEvents;
    std::unique_ptr<SdBusEventSource> monitorEvents;
    std::uint64_t generation = 0;
    bool failureReported = false;

    std::string owner;
    std::string gtkOwner;
    std::optional<int> pid;
    BannerStore banners{maxBanners, maxHeldBanners};
    NotificationTraffic traffic{banners, *this};
    bool releaseScheduled = false;

    std::map<std::uint64_t, ChangeObserver> changeObservers;
    std::map<std::uint64_t, std::function<void()>> launchObservers;
    std::map<std::uint64_t, std::function<void(const std::string&)>> refusalObservers;
    std::uint64_t nextObserver = 1;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    DbusBannerTree::HoldBack holdBack;

    void writeLog(const std::string& line) const override {
        if (log) {
            log(line);
        }
    }

    void reportFailure(const std::string& line) {
        if (!failureReported) {
            failureReported = true;
            writeLog(line);
        }
    }

    bool connect() {
        if (monitorEvents) {
            return true;
        }
        const auto address = sessionBusAddress();
        if (address.empty()) {
            reportFailure(
                "[dbus] no session bus (DBUS_SESSION_BUS_ADDRESS is not set) - notifications "
                "cannot be read; will retry");
            return false;
        }
        BusPtr lookups;
        int r = openBus(address, false, lookups);
        BusError error;
        std::unique_ptr<NameOwnerWatch> watch;
        std::unique_ptr<NameOwnerWatch> gtkWatch;
        if (r >= 0) {
            watch = std::make_unique<NameOwnerWatch>(
                lookups.get(), notificationsName,
                [this](const std::string& newOwner) { setOwner(newOwner); });
            r = watch->matchNow(&error.error);
        }
        if (r >= 0) {
            gtkWatch = std::make_unique<NameOwnerWatch>(
                lookups.get(), gtkNotificationsName,
                [this](const std::string& newOwner) { gtkOwner = newOwner; });
            r = gtkWatch->matchNow(&error.error);
        }
        if (r < 0) {
            reportFailure("[dbus] cannot use the session bus at " + address + " (" + error.text(r) +
                          ") - notifications cannot be read; will retry");
            return false;
        }
        BusPtr watcher;
        r = openBus(address, true, watcher);
        if (r >= 0) {
            r = becomeMonitor(watcher.get(), monitorRules, error);
        }
        if (r < 0) {
            reportFailure("[dbus] the session bus refused to let us watch notifications (" +
                          error.text(r) + "); will retry");
            return false;
        }
        bus = std::move(lookups);
        monitor = std::move(watcher);
        ownerWatch = std::move(watch);
        gtkOwnerWatch = std::move(gtkWatch);
        const auto current = ++generation;
        busEvents = std::make_unique<SdBusEventSource>(
            bus.get(), [](sd_bus_message*) {}, [this, current] { connectionLost(current); });
        monitorEvents = std::make_unique<SdBusEventSource>(
            monitor.get(), [this](sd_bus_message* m) { traffic.handle(m); },
            [this, current] { connectionLost(current); });
        monitorEvents->setHoldBack(
            [this, current](sd_bus_message* m) { return holdBack && holdNotify(m, current); });
        failureReported = false;
        // The owner may have changed hands before the match was in place.
        ownerWatch->askNow();
        gtkOwnerWatch->askNow();
        busEvents->reschedule();
        return true;
    }

    bool holdNotify(sd_bus_message* m, std::uint64_t current) {
        std::uint64_t cookie = 0;
        const char* sender = sd_bus_message_get_sender(m);
        if (sd_bus_message_is_method_call(m, notificationsName, "Notify") <= 0 || !sender ||
            sd_bus_message_get_cookie(m, &cookie) < 0) {
            return false;
        }
        std::weak_ptr<bool> living = alive;
        return holdBack(notificationCall::bannerIdentifier(sender, cookie),
                        [this, living, current] {
                            if (!living.expired() && current == generation && monitorEvents) {
                                monitorEvents->release();
                            }
                        });
    }

    void connectionLost(std::uint64_t lostGeneration) {
        // Called from inside the connection's own event handling: tear down from the event loop.
        QMetaObject::invokeMethod(
            &context,
            [this, lostGeneration] {
                if (lostGeneration != generation || !monitorEvents) {
                    return;
                }
                disconnect();
                reportFailure(
                    "[dbus] lost the session bus - notifications cannot be read; will retry");
            },
            Qt::QueuedConnection);
    }

    void disconnect() {
        monitorEvents.reset();
        busEvents.reset();
        ownerWatch.reset();
        gtkOwnerWatch.reset();
        monitor.reset();
        bus.reset();
        owner.clear();
        gtkOwner.clear();
        pid.reset();
        banners.clear();
        traffic.forgetPendingCalls();
    }

    std::optional<int> lookUpPid(const char* connection) {
        if (!bus) {
            return std::nullopt;
        }
        BusError error;
        MessagePtr reply;
        const int r =
            sd_bus_call_method(bus.get(), busName, busPath, busName, "GetConnectionUnixProcessID",
                               &error.error, OutPtr(reply), "s", connection);
        busEvents->reschedule();
        std::uint32_t value = 0;
        if (r < 0 || sd_bus_message_read_basic(reply.get(), 'u', &value) <= 0 || value == 0 ||
            value > INT32_MAX) {
            return std::nullopt;
        }
        return static_cast<int>(value);
    }

    void setOwner(const std::string& newOwner) {
        if (newOwner == owner) {
            return;
        }
        owner = newOwner;
        pid.reset();
        // What the old server showed went away with it.
        banners.removeShown();
        if (owner.empty()) {
            return;
        }
        pid = lookUpPid(owner.c_str());
        if (pid) {
            QMetaObject::invokeMethod(
                &context, [this] { notifyLaunch(); }, Qt::QueuedConnection);
        }
    }

    const std::string& serverOwner() const override { return owner; }
    const std::string& gtkServerOwner() const override { return gtkOwner; }

    std::string senderProcessName(const char* sender) override {
        return notificationCall::boundedAppName(
            notificationText::processName(lookUpPid(sender).value_or(0)).value_or(""));
    }

    void bannerShown() override { notifyChange(); }
    void bannerRefused(const std::string& identifier) override { notifyRefusal(identifier); }

    bool readerAttached() const override {
        if (!pid) {
            return false;
        }
        for (const auto& [id, observer] : changeObservers) {
            if (observer.pid == *pid) {
                return true;
            }
        }
        return false;
    }

    // Held banners enter the tree one per event-loop turn, each with its own notice, so the
    // reader's prime at attach never sees them and each one is announced alone.
    void scheduleRelease() {
        if (releaseScheduled) {
            return;
        }
        releaseScheduled = true;
        QMetaObject::invokeMethod(
            &context,
            [this] {
                releaseScheduled = false;
                releaseOne();
            },
            Qt::QueuedConnection);
    }

    void releaseOne() {
        if (readerAttached() && banners.releaseOldestHeld()) {
            notifyChange();
            scheduleRelease();
        }
    }

    void notifyChange() {
        if (!pid) {
            return;
        }
        std::vector<std::function<void()>> due;
        for (const auto& [id, observer] : changeObservers) {
            if (observer.pid == *pid) {
                due.push_back(observer.fn);
            }
        }
        for (auto& fn : due) {
            fn();
        }
    }

    void notifyRefusal(const std::string& identifier) {
        std::vector<std::function<void(const std::string&)>> due;
        for (const auto& [id, fn] : refusalObservers) {
            due.push_back(fn);
        }
        for (auto& fn : due) {
            fn(identifier);
        }
    }

    void notifyLaunch() {
        if (!pid) {
            return;
        }
        std::vector<std::function<void()>> due;
        for (const auto& [id, fn] : launchObservers) {
            due.push_back(fn);
        }
        for (auto& fn : due) {
            fn();
        }
    }
};

DbusBannerTree::DbusBannerTree(LogFn log) : impl_(std::make_unique<Impl>(std::move(log))) {
    impl_->connect();
}

DbusBannerTree::~DbusBannerTree() = default;

bool DbusBannerTree::isTrusted() {
    return impl_->connect();
}

std::optional<int> DbusBannerTree::serverPid() {
    return impl_->pid;
}

BannerElement DbusBannerTree::applicationElement(int pid) {
    return {impl_->pid && *impl_->pid == pid ? BannerStore::serverRootId
                                             : BannerStore::otherRootId};
}

AttributeValue DbusBannerTree::attribute(BannerElement element, std::string_view name) {
    return impl_->banners.attribute(element, name);
}

Subscription DbusBannerTree::observeChanges(int pid, std::function<void()> fn) {
    if (!impl_->monitorEvents) {
        return {};
    }
    const auto id = impl_->nextObserver++;
    impl_->changeObservers[id] = Impl::ChangeObserver{pid, std::move(fn)};
    if (impl_->readerAttached()) {
        impl_->scheduleRelease();
    }
    std::weak_ptr<bool> alive = impl_->alive;
    Impl* impl = impl_.get();
    return Subscription([impl, alive, id] {
        if (!alive.expired()) {
            impl->changeObservers.erase(id);
        }
    });
}

Subscription DbusBannerTree::observeLaunches(std::function<void()> fn) {
    const auto id = impl_->nextObserver++;
    impl_->launchObservers[id] = std::move(fn);
    std::weak_ptr<bool> alive = impl_->alive;
    Impl* impl = impl_.get();
    return Subscription([impl, alive, id] {
        if (!alive.expired()) {
            impl->launchObservers.erase(id);
        }
    });
}

Subscription
DbusBannerTree::observeRefusals(std::function<void(const std::string& identifier)> fn) {
    const auto id = impl_->nextObserver++;
    impl_->refusalObservers[id] = std::move(fn);
    std::weak_ptr<bool> alive = impl_->alive;
    Impl* impl = impl_.get();
    return Subscription([impl, alive, id] {
        if (!alive.expired()) {
            impl->refusalObservers.erase(id);
        }
    });
}

void DbusBannerTree::setHoldBack(HoldBack holdBack) {
    impl_->holdBack = std::move(holdBack);
}

size_t DbusBannerTree::bannerCount() const {
    return impl_->banners.shownCount();
}

size_t DbusBannerTree::heldCount() const {
    return impl_->banners.heldCount();
}

} // namespace corvale
