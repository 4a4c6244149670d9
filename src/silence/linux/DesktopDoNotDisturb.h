#pragma once

#include "core/Log.h"
#include "core/linux/SdBusHandles.h"
#include "silence/DoNotDisturbReadings.h"
#include "silence/linux/GnomeShowBanners.h"
#include "silence/linux/NotificationServerSwitch.h"
#include "silence/linux/XfceNotifydDoNotDisturb.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

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
    std::optional<bool> state() const { return readings().state(); }
    bool initialReported() const { return lastReported_.has_value(); }

    // What each source says now; none when it is absent or has not answered.
    std::optional<bool> serverInhibited() const { return inhibited_.reading().value; }
    std::optional<bool> dunstPaused() const { return paused_.reading().value; }
    std::optional<bool> xfceDoNotDisturb() const { return xfce_.reading().value; }
    std::optional<bool> gnomeShowBanners() const { return gnome_.reading().value; }

    // Whether XDG_CURRENT_DESKTOP names GNOME (alone or as one of its colon-separated entries).
    static bool desktopIsGnome(const char* currentDesktop) {
        return GnomeShowBanners::desktopIsGnome(currentDesktop);
    }

private:
    void startBus();
    void forgetBus();
    DoNotDisturbReadings readings() const;
    void report();

    ChangeFn onChange_;
    LogFn log_;
    BusPtr bus_;
    std::unique_ptr<SdBusEventSource> events_;
    NotificationServerSwitch inhibited_{"org.freedesktop.Notifications", "Inhibited",
                                        [this] { report(); }};
    NotificationServerSwitch paused_{"org.dunstproject.cmd0", "paused", [this] { report(); }};
    XfceNotifydDoNotDisturb xfce_{[this] { report(); }};
    GnomeShowBanners gnome_{[this] { report(); }, log_};
    bool constructing_ = false;
    std::optional<bool> lastReported_;
    QTimer initialWait_;
};

} // namespace corvale
