#pragma once

#include "core/Log.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <vector>

class QProcess;

namespace corvale {

class SdBusEventSource;

// Follows the desktop's do-not-disturb where the desktop exposes it: the notification server's
// "Inhibited" property (KDE Plasma and others), dunst's "paused" property (its interface
// org.dunstproject.cmd0, what `dunstctl set-paused` sets), xfce4-notifyd's setting
// /do-not-disturb in the xfconf channel xfce4-notifyd, and, on GNOME, the setting
// org.gnome.desktop.notifications show-banners (false is do-not-disturb). Any one being on makes
// it on. It only reports; what follows from it is the program's decision.
class DesktopDoNotDisturb {
public:
    // `initial` is true once, when every source has answered (or the wait for them ran out);
    // after that the callback comes on every change.
    using ChangeFn = std::function<void(bool on, bool initial)>;

    static constexpr int initialWaitMs = 3000;

    explicit DesktopDoNotDisturb(ChangeFn onChange, LogFn log = {});
    ~DesktopDoNotDisturb();
    DesktopDoNotDisturb(const DesktopDoNotDisturb&) = delete;
    DesktopDoNotDisturb& operator=(const DesktopDoNotDisturb&) = delete;

    // None while no source has told anything.
    std::optional<bool> state() const;
    bool initialReported() const { return initialReported_; }

    // What each source says now; none when it is absent or has not answered.
    std::optional<bool> serverInhibited() const { return inhibited_.value; }
    std::optional<bool> dunstPaused() const { return paused_.value; }
    std::optional<bool> xfceDoNotDisturb() const { return xfce_; }
    std::optional<bool> gnomeShowBanners() const { return showBanners_; }

    // Whether XDG_CURRENT_DESKTOP names GNOME (alone or as one of its colon-separated entries).
    static bool desktopIsGnome(const char* currentDesktop);

private:
    // One boolean property of the notification server, asked of its owner and followed by its
    // PropertiesChanged signals.
    struct ServerSwitch {
        ServerSwitch(DesktopDoNotDisturb* owner, const char* interfaceName, const char* name)
            : self(owner), interface(interfaceName), property(name) {}
        DesktopDoNotDisturb* self;
        const char* interface;
        const char* property;
        std::optional<bool> value;
        sd_bus_slot* call = nullptr;
        bool answered = false;
    };

    static int onNameOwnerChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onServerOwnerReply(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onXfconfOwnerReply(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onPropertiesChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onSwitchReply(sd_bus_message* m, void* serverSwitch, sd_bus_error* error);
    static int onXfconfChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onXfconfReply(sd_bus_message* m, void* self, sd_bus_error* error);

    void startBus();
    void serverOwnerIs(std::string owner);
    void askSwitch(ServerSwitch& serverSwitch);
    void switchAnswered(ServerSwitch& serverSwitch, std::optional<bool> value);
    void xfconfOwnerIs(std::string owner);
    void askXfconf();
    void setXfce(std::optional<bool> value);
    void startGnome();
    void readMonitorLines();
    void setShowBanners(std::optional<bool> value);
    void serverSettled();
    void xfceSettled();
    void gnomeSettled();
    void report();

    ChangeFn onChange_;
    LogFn log_;

    sd_bus* bus_ = nullptr;
    std::unique_ptr<SdBusEventSource> events_;
    std::vector<sd_bus_slot*> matchSlots_;
    sd_bus_slot* serverOwnerCall_ = nullptr;
    sd_bus_slot* xfconfOwnerCall_ = nullptr;
    sd_bus_slot* xfconfCall_ = nullptr;
    std::string serverOwner_;
    std::string xfconfOwner_;
    ServerSwitch inhibited_{this, "org.freedesktop.Notifications", "Inhibited"};
    ServerSwitch paused_{this, "org.dunstproject.cmd0", "paused"};
    std::optional<bool> xfce_;

    std::unique_ptr<QProcess> monitor_;
    std::unique_ptr<QProcess> reader_;
    std::string monitorBuffer_;
    bool monitorReported_ = false;

    std::optional<bool> showBanners_;
    bool serverSettled_ = false;
    bool xfceSettled_ = false;
    bool gnomeSettled_ = false;
    bool constructing_ = false;
    bool initialReported_ = false;
    bool lastReported_ = false;
    QTimer initialWait_;
};

} // namespace corvale
