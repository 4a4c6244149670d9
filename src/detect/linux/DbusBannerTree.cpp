#include "detect/linux/DbusBannerTree.h"

#include "core/linux/SdBusEventSource.h"
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
// Markup is removed from at most this much of a body before it is cut to its final length.
constexpr size_t maxRawBodyBytes = 256 * 1024;
constexpr size_t maxHints = 256;
constexpr size_t maxGtkKeyPartBytes = 256;

// Element ids: the server's root, the root of any other process, and for banner number n the
// banner (4n), its title (4n + 1) and its body (4n + 2).
constexpr std::uint64_t serverRootId = 1;
constexpr std::uint64_t otherRootId = 2;

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

// Reads a string argument; the view lives as long as the message.
bool readString(sd_bus_message* m, std::string_view& out) {
    const char* text = nullptr;
    if (sd_bus_message_read_basic(m, 's', &text) <= 0 || !text) {
        return false;
    }
    out = text;
    return true;
}

// Reads the string values of the wanted keys of an a{sv} dictionary; other values are skipped.
bool readStringEntries(sd_bus_message* m, const std::vector<std::string_view>& keys,
                       std::map<std::string_view, std::string_view>& out) {
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
        return false;
    }
    for (size_t i = 0; i < maxHints; ++i) {
        const int r = sd_bus_message_enter_container(m, 'e', "sv");
        if (r == 0) {
            break;
        }
        std::string_view key;
        if (r < 0 || !readString(m, key)) {
            return false;
        }
        const char* contents = nullptr;
        const bool wanted = std::find(keys.begin(), keys.end(), key) != keys.end();
        if (wanted && sd_bus_message_peek_type(m, nullptr, &contents) > 0 && same(contents, "s")) {
            std::string_view value;
            if (sd_bus_message_enter_container(m, 'v', "s") <= 0 || !readString(m, value) ||
                sd_bus_message_exit_container(m) < 0) {
                return false;
            }
            out[key] = value;
        } else if (sd_bus_message_skip(m, "v") < 0) {
            return false;
        }
        if (sd_bus_message_exit_container(m) < 0) {
            return false;
        }
    }
    return true;
}

std::string trimmedAscii(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

} // namespace

struct DbusBannerTree::Impl {
    struct Banner {
        std::string identifier;
        std::string appName;
        std::string title;
        std::string body;
        bool held = false;
        std::optional<std::uint32_t> notificationId;
        std::string gtkKey;
    };
    struct PendingCall {
        std::string caller;
        std::uint64_t cookie;
        std::uint64_t banner;
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
    std::map<std::uint64_t, Banner> banners;
    std::map<std::uint32_t, std::uint64_t> byNotificationId;
    std::map<std::string, std::uint64_t> byGtkKey;
    std::deque<PendingCall> pending;
    std::uint64_t nextBanner = 1;
    bool releaseScheduled = false;

    std::map<std::uint64_t, ChangeObserver> changeObservers;
    std::map<std::uint64_t, std::function<void()>> launchObservers;
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
        byNotificationId.clear();
        byGtkKey.clear();
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
        setOwner(r >= 0 && readString(raw, name) ? std::string(name) : std::string());
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
        for (auto it = banners.begin(); it != banners.end();) {
            auto next = std::next(it);
            if (!it->second.held) {
                removeBanner(it->first);
            }
            it = next;
        }
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
        if (!sender || !sentToServer(m) || sd_bus_message_has_signature(m, "susssasa{sv}i") <= 0 ||
            sd_bus_message_get_cookie(m, &cookie) < 0) {
            return;
        }
        std::string_view appName, icon, summary, body;
        std::uint32_t replacesId = 0;
        if (!readString(m, appName) || sd_bus_message_read_basic(m, 'u', &replacesId) <= 0 ||
            !readString(m, icon) || !readString(m, summary) || !readString(m, body) ||
            sd_bus_message_skip(m, "as") < 0) {
            return;
        }
        std::map<std::string_view, std::string_view> hints;
        if (!readStringEntries(m, {"desktop-entry"}, hints)) {
            return;
        }

        Banner banner;
        banner.appName =
            trimmedAscii(notificationText::boundedCharacters(appName, maxAppNameCharacters));
        if (banner.appName.empty() && hints.count("desktop-entry") != 0) {
            banner.appName =
                notificationText::lookUpDesktopEntryName(hints["desktop-entry"]).value_or("");
        }
        if (banner.appName.empty()) {
            banner.appName =
                notificationText::processName(lookUpPid(sender).value_or(0)).value_or("");
        }
        banner.appName = notificationText::boundedCharacters(banner.appName, maxAppNameCharacters);
        banner.identifier = std::string(sender) + "#" + std::to_string(cookie);
        banner.title = notificationText::boundedBytes(summary, maxTitleBytes);
        banner.body = notificationText::boundedBytes(
            notificationText::plainText(body.substr(0, maxRawBodyBytes)), maxBodyBytes);
        if (replacesId != 0) {
            if (auto it = byNotificationId.find(replacesId); it != byNotificationId.end()) {
                removeBanner(it->second);
            }
        }
        const auto number = insertBanner(std::move(banner));
        expectReply(m, sender, cookie, number);
        announce(number);
    }

    void handleGtkAdd(sd_bus_message* m) {
        const char* sender = sd_bus_message_get_sender(m);
        std::uint64_t cookie = 0;
        if (!sender || !same(sd_bus_message_get_destination(m), gtkName) ||
            !same(sd_bus_message_get_path(m), gtkPath) ||
            sd_bus_message_has_signature(m, "ssa{sv}") <= 0 ||
            sd_bus_message_get_cookie(m, &cookie) < 0) {
            return;
        }
        std::string_view appId, id;
        std::map<std::string_view, std::string_view> fields;
        if (!readString(m, appId) || !readString(m, id) ||
            !readStringEntries(m, {"title", "body"}, fields)) {
            return;
        }
        const auto key = gtkKey(appId, id);
        if (auto it = byGtkKey.find(key); it != byGtkKey.end()) {
            removeBanner(it->second);
        }
        Banner banner;
        banner.appName =
            notificationText::lookUpDesktopEntryName(appId).value_or(std::string(appId));
        banner.appName = notificationText::boundedCharacters(banner.appName, maxAppNameCharacters);
        banner.identifier = std::string(sender) + "#" + std::to_string(cookie);
        banner.title = notificationText::boundedBytes(fields["title"], maxTitleBytes);
        banner.body = notificationText::boundedBytes(fields["body"], maxBodyBytes);
        banner.gtkKey = key;
        const auto number = insertBanner(std::move(banner));
        byGtkKey[key] = number;
        expectReply(m, sender, cookie, number);
        announce(number);
    }

    void handleGtkRemove(sd_bus_message* m) {
        if (!same(sd_bus_message_get_destination(m), gtkName) ||
            sd_bus_message_has_signature(m, "ss") <= 0) {
            return;
        }
        std::string_view appId, id;
        if (readString(m, appId) && readString(m, id)) {
            if (auto it = byGtkKey.find(gtkKey(appId, id)); it != byGtkKey.end()) {
                removeBanner(it->second);
            }
        }
    }

    static std::string gtkKey(std::string_view appId, std::string_view id) {
        return notificationText::boundedBytes(appId, maxGtkKeyPartBytes) + '\n' +
               notificationText::boundedBytes(id, maxGtkKeyPartBytes);
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
        pending.erase(call);
        auto banner = banners.find(number);
        if (banner == banners.end()) {
            return;
        }
        if (failed) {
            removeBanner(number);
            return;
        }
        std::uint32_t id = 0;
        if (!banner->second.gtkKey.empty() || sd_bus_message_has_signature(m, "u") <= 0 ||
            sd_bus_message_read_basic(m, 'u', &id) <= 0 || id == 0) {
            return;
        }
        // The server hands out an id only once while it shows it: an older holder was missed
        // closing.
        if (auto older = byNotificationId.find(id);
            older != byNotificationId.end() && older->second != number) {
            removeBanner(older->second);
        }
        banner->second.notificationId = id;
        byNotificationId[id] = number;
    }

    void expectReply(sd_bus_message* m, const char* caller, std::uint64_t cookie,
                     std::uint64_t number) {
        if (sd_bus_message_get_expect_reply(m) <= 0) {
            return;
        }
        pending.push_back({caller, cookie, number});
        if (pending.size() > maxPendingCalls) {
            pending.pop_front();
        }
    }

    void removeNotification(std::uint32_t id) {
        if (auto it = byNotificationId.find(id); it != byNotificationId.end()) {
            removeBanner(it->second);
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

    std::uint64_t insertBanner(Banner banner) {
        const auto number = nextBanner++;
        banner.held = !readerAttached();
        const bool held = banner.held;
        banners.emplace(number, std::move(banner));
        evictBeyondCap(held, held ? maxHeldBanners : maxBanners);
        return number;
    }

    void evictBeyondCap(bool held, size_t cap) {
        size_t count = 0;
        for (const auto& [number, banner] : banners) {
            count += banner.held == held ? 1 : 0;
        }
        for (auto it = banners.begin(); count > cap && it != banners.end();) {
            auto next = std::next(it);
            if (it->second.held == held) {
                removeBanner(it->first);
                --count;
            }
            it = next;
        }
    }

    void removeBanner(std::uint64_t number) {
        auto it = banners.find(number);
        if (it == banners.end()) {
            return;
        }
        if (it->second.notificationId) {
            auto byId = byNotificationId.find(*it->second.notificationId);
            if (byId != byNotificationId.end() && byId->second == number) {
                byNotificationId.erase(byId);
            }
        }
        if (!it->second.gtkKey.empty()) {
            auto byKey = byGtkKey.find(it->second.gtkKey);
            if (byKey != byGtkKey.end() && byKey->second == number) {
                byGtkKey.erase(byKey);
            }
        }
        banners.erase(it);
    }

    void announce(std::uint64_t number) {
        auto it = banners.find(number);
        if (it != banners.end() && !it->second.held) {
            notifyChange();
        }
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
        if (!readerAttached()) {
            return;
        }
        for (auto& [number, banner] : banners) {
            if (banner.held) {
                banner.held = false;
                evictBeyondCap(false, maxBanners);
                notifyChange();
                scheduleRelease();
                return;
            }
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

    AttributeValue attribute(BannerElement element, std::string_view name) const {
        if (element.id == serverRootId || element.id == otherRootId) {
            if (name == "AXRole") {
                return std::string("AXApplication");
            }
            if (name != "AXChildren") {
                return {};
            }
            std::vector<BannerElement> children;
            if (element.id == serverRootId) {
                for (const auto& [number, banner] : banners) {
                    if (!banner.held) {
                        children.push_back({number * 4});
                    }
                }
            }
            return children;
        }
        auto it = banners.find(element.id / 4);
        if (it == banners.end() || it->second.held) {
            return {};
        }
        const auto& banner = it->second;
        const auto part = element.id % 4;
        if (part == 0) {
            if (name == "AXSubrole") {
                return std::string("AXNotificationCenterBanner");
            }
            if (name == "AXRole") {
                return std::string("AXGroup");
            }
            if (name == "AXIdentifier") {
                return banner.identifier;
            }
            if (name == "AXDescription") {
                return banner.appName;
            }
            if (name == "AXChildren") {
                return std::vector<BannerElement>{{element.id + 1}, {element.id + 2}};
            }
            return {};
        }
        if (part == 3) {
            return {};
        }
        if (name == "AXRole") {
            return std::string("AXStaticText");
        }
        if (name == "AXIdentifier") {
            return std::string(part == 1 ? "title" : "body");
        }
        if (name == "AXValue") {
            return part == 1 ? banner.title : banner.body;
        }
        return {};
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
    return {impl_->pid && *impl_->pid == pid ? serverRootId : otherRootId};
}

AttributeValue DbusBannerTree::attribute(BannerElement element, std::string_view name) {
    return impl_->attribute(element, name);
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

size_t DbusBannerTree::bannerCount() const {
    size_t count = 0;
    for (const auto& [number, banner] : impl_->banners) {
        count += banner.held ? 0 : 1;
    }
    return count;
}

size_t DbusBannerTree::heldCount() const {
    return impl_->banners.size() - bannerCount();
}

} // namespace corvale
