#pragma once

#include "core/Log.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>

class QProcess;

namespace corvale {

class SdBusEventSource;

// Follows the desktop's do-not-disturb where the desktop exposes it: the notification server's
// "Inhibited" property (KDE Plasma and others) and, on GNOME, the setting
// org.gnome.desktop.notifications show-banners (false is do-not-disturb). Either one being on
// makes it on. It only reports; what follows from it is the program's decision.
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
    std::optional<bool> serverInhibited() const { return inhibited_; }
    std::optional<bool> gnomeShowBanners() const { return showBanners_; }

    // Whether XDG_CURRENT_DESKTOP names GNOME (alone or as one of its colon-separated entries).
    static bool desktopIsGnome(const char* currentDesktop);

private:
    static int onNameOwnerChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onNameOwnerReply(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onPropertiesChanged(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onInhibitedReply(sd_bus_message* m, void* self, sd_bus_error* error);

    void startNotificationServer();
    void serverOwnerIs(std::string owner);
    void askInhibited();
    void startGnome();
    void readMonitorLines();
    void setInhibited(std::optional<bool> value);
    void setShowBanners(std::optional<bool> value);
    void serverSettled();
    void gnomeSettled();
    void report();

    ChangeFn onChange_;
    LogFn log_;

    sd_bus* bus_ = nullptr;
    std::unique_ptr<SdBusEventSource> events_;
    sd_bus_slot* ownerChangedSlot_ = nullptr;
    sd_bus_slot* propertiesSlot_ = nullptr;
    sd_bus_slot* ownerCallSlot_ = nullptr;
    sd_bus_slot* inhibitedCallSlot_ = nullptr;
    std::string serverOwner_;

    std::unique_ptr<QProcess> monitor_;
    std::unique_ptr<QProcess> reader_;
    std::string monitorBuffer_;
    bool monitorReported_ = false;

    std::optional<bool> inhibited_;
    std::optional<bool> showBanners_;
    bool serverSettled_ = false;
    bool gnomeSettled_ = false;
    bool constructing_ = false;
    bool initialReported_ = false;
    bool lastReported_ = false;
    QTimer initialWait_;
};

} // namespace corvale
