#include "detect/linux/DbusBannerTree.h"

#include "core/AlertTrace.h"
#include "core/linux/SdBusEventSource.h"
#include "detect/linux/BannerStore.h"
#include "detect/linux/NotificationMessages.h"
#include "detect/linux/NotificationText.h"

#include <QMetaObject>
#include <QObject>
#include <cstring>
#include <deque>
#include <map>
#include <sys/stat.h>
#include <systemd/sd-bus.h>

namespace corvale {
namespace {

constexpr const char* busName = "org.freedesktop.DBus";
constexpr const char* busPath = "/org/freedesktop/DBus";
constexpr const char* notificationsName = "org.freedesktop.Notifications";
constexpr const char* notificationsPath = "/org/freedesktop/Notifications";
constexpr const char* gtkName = "org.gtk.Notifications";
constexpr const char* gtkPath = "/org/gtk/Notifications";

constexpr std::uint64_t callTimeoutMicros = 2'000'000;
constexpr size_t maxPendingCalls = 256;

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

const char* const ownerRule =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.freedesktop.Notifications'";

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

struct MessageUnref {
    void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

struct BusError {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~BusError() { sd_bus_error_free(&error); }
    std::string text(int r) const {
        if (error.message) {
            return error.message;
        }
        return std::strerror(-r);
    }
};

bool same(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
        return address;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string path = std::string(runtime) + "/bus";
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
            return "unix:path=" + path;
        }
    }
    return {};
}

int openBus(const std::string& address, bool monitor, BusPtr& out) {
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    if (r < 0) {
        return r;
    }
    BusPtr bus(raw);
    if ((r = sd_bus_set_address(raw, address.c_str())) < 0 ||
        (r = sd_bus_set_bus_client(raw, 1)) < 0 ||
        (r = sd_bus_set_monitor(raw, monitor ? 1 : 0)) < 0 ||
        (r = sd_bus_set_method_call_timeout(raw, callTimeoutMicros)) < 0 ||
        (r = sd_bus_start(raw)) < 0) {
        return r;
    }
    out = std::move(bus);
    return 0;
}

} // namespace

struct DbusBannerTree::Impl {
    using Banner = BannerStore::Banner;
    struct PendingCall {
        std::string caller;
        std::uint64_t cookie;
        std::uint64_t banner;
        // Updates of a pop-up carry the identifier of the alert that opened it; refusing the
        // update does not take that alert back.
        bool reportRefusal;
    };
    struct ChangeObserver {
        int pid;
        std::function<void()> fn;
    };

    explicit Impl(LogFn logFn) : log(std::move(logFn)) {}

    LogFn log;
    QObject context;
    BusPtr bus;
    BusPtr monitor;
    std::unique_ptr<SdBusEventSource> busEvents;
    std::unique_ptr<SdBusEventSource> monitorEvents;
    std::uint64_t generation = 0;
    bool failureReported = false;

    std::string owner;
    std::optional<int> pid;
    BannerStore banners{maxBanners, maxHeldBanners};
    std::deque<PendingCall> pending;
    bool releaseScheduled = false;

    std::map<std::uint64_t, ChangeObserver> changeObservers;
    std::map<std::uint64_t, std::function<void()>> launchObservers;
    std::map<std::uint64_t, std::function<void(const std::string&)>> refusalObservers;
    std::uint64_t nextObserver = 1;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    void writeLog(const std::string& line) const {
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
        if (r >= 0) {
            r = sd_bus_call_method(lookups.get(), busName, busPath, busName, "AddMatch",
                                   &error.error, nullptr, "s", ownerRule);
        }
        if (r < 0) {
            reportFailure("[dbus] cannot use the session bus at " + address + " (" + error.text(r) +
                          ") - notifications cannot be read; will retry");
            return false;
        }
        BusPtr watcher;
        r = openBus(address, true, watcher);
        if (r >= 0) {
            sd_bus_message* raw = nullptr;
            r = sd_bus_message_new_method_call(watcher.get(), &raw, busName, busPath,
                                               "org.freedesktop.DBus.Monitoring", "BecomeMonitor");
            MessagePtr call(raw);
            if (r >= 0) {
                r = sd_bus_message_append_strv(raw, const_cast<char**>(monitorRules));
            }
            if (r >= 0) {
                r = sd_bus_message_append(raw, "u", 0u);
            }
            if (r >= 0) {
                r = sd_bus_call(watcher.get(), raw, callTimeoutMicros, &error.error, nullptr);
            }
        }
        if (r < 0) {
            reportFailure("[dbus] the session bus refused to let us watch notifications (" +
                          error.text(r) + "); will retry");
            return false;
        }
        bus = std::move(lookups);
        monitor = std::move(watcher);
        const auto current = ++generation;
        busEvents = std::make_unique<SdBusEventSource>(
            bus.get(), [this](sd_bus_message* m) { handleBusMessage(m); },
            [this, current] { connectionLost(current); });
        monitorEvents = std::make_unique<SdBusEventSource>(
            monitor.get(), [this](sd_bus_message* m) { handleMonitorMessage(m); },
            [this, current] { connectionLost(current); });
        failureReported = false;
        // The owner may have changed hands before the match was in place.
        queryOwner();
        return true;
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
        monitor.reset();
        bus.reset();
        owner.clear();
        pid.reset();
        banners.clear();
        pending.clear();
    }

    void queryOwner() {
        BusError error;
        sd_bus_message* raw = nullptr;
        const int r = sd_bus_call_method(bus.get(), busName, busPath, busName, "GetNameOwner",
                                         &error.error, &raw, "s", notificationsName);
        MessagePtr reply(raw);
        busEvents->reschedule();
        std::string_view name;
        setOwner(r >= 0 && notificationMessages::readString(raw, name) ? std::string(name)
                                                                       : std::string());
    }

    std::optional<int> lookUpPid(const char* connection) {
        if (!bus) {
            return std::nullopt;
        }
        BusError error;
        sd_bus_message* raw = nullptr;
        const int r =
            sd_bus_call_method(bus.get(), busName, busPath, busName, "GetConnectionUnixProcessID",
                               &error.error, &raw, "s", connection);
        MessagePtr reply(raw);
        busEvents->reschedule();
        std::uint32_t value = 0;
        if (r < 0 || sd_bus_message_read_basic(raw, 'u', &value) <= 0 || value == 0 ||
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

    void handleBusMessage(sd_bus_message* m) {
        if (!sd_bus_message_is_signal(m, busName, "NameOwnerChanged") ||
            !same(sd_bus_message_get_sender(m), busName) ||
            sd_bus_message_has_signature(m, "sss") <= 0) {
            return;
        }
        using notificationMessages::readString;
        std::string_view name, oldOwner, newOwner;
        if (readString(m, name) && readString(m, oldOwner) && readString(m, newOwner) &&
            name == notificationsName) {
            setOwner(std::string(newOwner));
        }
    }

    void handleMonitorMessage(sd_bus_message* m) {
        std::uint8_t type = 0;
        if (sd_bus_message_get_type(m, &type) < 0) {
            return;
        }
        const char* interface = sd_bus_message_get_interface(m);
        const char* member = sd_bus_message_get_member(m);
        switch (type) {
        case SD_BUS_MESSAGE_METHOD_CALL:
            if (same(interface, notificationsName) && same(member, "Notify")) {
                alertTrace::stage("bus: Notify seen");
                handleNotify(m);
            } else if (same(interface, notificationsName) && same(member, "CloseNotification")) {
                handleCloseCall(m);
            } else if (same(interface, gtkName) && same(member, "AddNotification")) {
                handleGtkAdd(m);
            } else if (same(interface, gtkName) && same(member, "RemoveNotification")) {
                handleGtkRemove(m);
            }
            break;
        case SD_BUS_MESSAGE_METHOD_RETURN:
            handleReply(m, false);
            break;
        case SD_BUS_MESSAGE_METHOD_ERROR:
            handleReply(m, true);
            break;
        case SD_BUS_MESSAGE_SIGNAL:
            if (same(interface, notificationsName) && same(member, "NotificationClosed")) {
                handleClosed(m);
            }
            break;
        default:
            break;
        }
    }

    bool sentToServer(sd_bus_message* m) const {
        const char* destination = sd_bus_message_get_destination(m);
        return same(sd_bus_message_get_path(m), notificationsPath) &&
               (same(destination, notificationsName) ||
                (!owner.empty() && same(destination, owner.c_str())));
    }

    void handleNotify(sd_bus_message* m) {
        const char* sender = sd_bus_message_get_sender(m);
        std::uint64_t cookie = 0;
        if (!sender || !sentToServer(m) || sd_bus_message_get_cookie(m, &cookie) < 0) {
            return;
        }
        auto call = notificationMessages::readNotifyCall(m);
        if (!call) {
            return;
        }
        Banner banner;
        banner.texts = notificationCall::textsOf(*call);
        if (banner.texts.appName.empty() && call->desktopEntry) {
            banner.texts.appName = notificationCall::boundedAppName(
                notificationText::lookUpDesktopEntryName(*call->desktopEntry).value_or(""));
        }
        if (banner.texts.appName.empty()) {
            banner.texts.appName = senderProcessName(sender);
        }
        banner.identifier = std::string(sender) + "#" + std::to_string(cookie);
        std::optional<std::uint64_t> replaced;
        if (call->replacesId != 0) {
            replaced = banners.byNotificationId(call->replacesId);
        }
        if (call->stackTag) {
            banner.stackKey = banner.texts.appName + '\n' + *call->stackTag;
            if (!replaced) {
                replaced = banners.byStackKey(*banner.stackKey);
            }
        }
        if (!replaced) {
            show(std::move(banner), m, sender, cookie);
            return;
        }
        const auto osdHint = notificationCall::onScreenDisplayHint(*call);
        if (!osdHint) {
            banners.remove(*replaced);
            show(std::move(banner), m, sender, cookie);
            return;
        }
        // A volume, brightness or progress pop-up changing: the banner keeps the identifier the
        // reader has already seen, so the change is not announced as news.
        const auto* previous = banners.find(*replaced);
        banner.identifier = previous->identifier;
        banner.held = previous->held;
        writeLog("[osd] update not announced app=" + inQuotes(banner.texts.appName) +
                 " reason=" + inQuotes(*osdHint + " hint"));
        banners.remove(*replaced);
        const auto number = banners.add(std::move(banner));
        expectReply(m, sender, cookie, number, false);
    }

    void handleGtkAdd(sd_bus_message* m) {
        const char* sender = sd_bus_message_get_sender(m);
        std::uint64_t cookie = 0;
        if (!sender || !same(sd_bus_message_get_destination(m), gtkName) ||
            !same(sd_bus_message_get_path(m), gtkPath) ||
            sd_bus_message_get_cookie(m, &cookie) < 0) {
            return;
        }
        auto call = notificationMessages::readGtkAddCall(m);
        if (!call) {
            return;
        }
        Banner banner;
        banner.texts = notificationCall::textsOf(*call);
        if (call->appIdRead) {
            if (auto name = notificationText::lookUpDesktopEntryName(call->appId)) {
                banner.texts.appName = notificationCall::boundedAppName(*name);
            }
        }
        if (banner.texts.appName.empty()) {
            banner.texts.appName = senderProcessName(sender);
        }
        banner.identifier = std::string(sender) + "#" + std::to_string(cookie);
        if (call->id) {
            banner.gtkKey = notificationCall::gtkKey(call->appId, *call->id);
            if (auto replaced = banners.byGtkKey(banner.gtkKey)) {
                banners.remove(*replaced);
            }
        }
        show(std::move(banner), m, sender, cookie);
    }

    void handleGtkRemove(sd_bus_message* m) {
        if (!same(sd_bus_message_get_destination(m), gtkName)) {
            return;
        }
        if (auto key = notificationMessages::readGtkRemoveKey(m)) {
            if (auto number = banners.byGtkKey(*key)) {
                banners.remove(*number);
            }
        }
    }

    std::string senderProcessName(const char* sender) {
        return notificationCall::boundedAppName(
            notificationText::processName(lookUpPid(sender).value_or(0)).value_or(""));
    }

    // Puts a banner in the tree (or holds it back while no reader is attached), waits for the
    // server's answer to the call, and tells the reader.
    void show(Banner banner, sd_bus_message* call, const char* caller, std::uint64_t cookie) {
        banner.held = !readerAttached();
        const bool held = banner.held;
        const auto number = banners.add(std::move(banner));
        expectReply(call, caller, cookie, number, true);
        if (!held && banners.find(number)) {
            alertTrace::stage("bus: banner in the tree");
            notifyChange();
        }
    }

    void handleCloseCall(sd_bus_message* m) {
        std::uint32_t id = 0;
        if (sentToServer(m) && sd_bus_message_has_signature(m, "u") > 0 &&
            sd_bus_message_read_basic(m, 'u', &id) > 0) {
            removeNotification(id);
        }
    }

    void handleClosed(sd_bus_message* m) {
        // Anyone may emit this signal; only the server's own counts.
        std::uint32_t id = 0;
        if (!owner.empty() && same(sd_bus_message_get_sender(m), owner.c_str()) &&
            sd_bus_message_has_signature(m, "uu") > 0 &&
            sd_bus_message_read_basic(m, 'u', &id) > 0) {
            removeNotification(id);
        }
    }

    void handleReply(sd_bus_message* m, bool failed) {
        const char* caller = sd_bus_message_get_destination(m);
        std::uint64_t cookie = 0;
        if (!caller || sd_bus_message_get_reply_cookie(m, &cookie) < 0) {
            return;
        }
        auto call = std::find_if(pending.begin(), pending.end(), [&](const PendingCall& p) {
            return p.cookie == cookie && p.caller == caller;
        });
        if (call == pending.end()) {
            return;
        }
        const auto number = call->banner;
        const bool reportRefusal = call->reportRefusal;
        pending.erase(call);
        const auto* banner = banners.find(number);
        if (!banner) {
            return;
        }
        if (failed) {
            // Only a banner the reader could have announced is worth taking back.
            const bool wasShown = !banner->held;
            const auto identifier = banner->identifier;
            banners.remove(number);
            if (wasShown && reportRefusal) {
                notifyRefusal(identifier);
            }
            return;
        }
        std::uint32_t id = 0;
        if (!banner->gtkKey.empty() || sd_bus_message_has_signature(m, "u") <= 0 ||
            sd_bus_message_read_basic(m, 'u', &id) <= 0 || id == 0) {
            return;
        }
        banners.setNotificationId(number, id);
    }

    void expectReply(sd_bus_message* m, const char* caller, std::uint64_t cookie,
                     std::uint64_t number, bool reportRefusal) {
        if (sd_bus_message_get_expect_reply(m) <= 0) {
            return;
        }
        pending.push_back({caller, cookie, number, reportRefusal});
        if (pending.size() > maxPendingCalls) {
            pending.pop_front();
        }
    }

    void removeNotification(std::uint32_t id) {
        if (auto number = banners.byNotificationId(id)) {
            banners.remove(*number);
        }
    }

    bool readerAttached() const {
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

size_t DbusBannerTree::bannerCount() const {
    return impl_->banners.shownCount();
}

size_t DbusBannerTree::heldCount() const {
    return impl_->banners.heldCount();
}

} // namespace corvale
