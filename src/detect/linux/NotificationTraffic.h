#pragma once

#include "detect/linux/BannerStore.h"

#include <cstdint>
#include <deque>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// Reads the notification traffic that the bus monitor sees into the banner store: the calls that
// show, replace and close notifications, the server's answers to them and its closed signals.
class NotificationTraffic {
public:
    static constexpr size_t maxPendingCalls = 256;

    // What the traffic needs from the banner tree around it.
    class Host {
    public:
        virtual ~Host() = default;
        // The server's unique name on the bus; empty when there is none.
        virtual const std::string& serverOwner() const = 0;
        // The unique name of the owner of GNOME's notification interface; empty when none.
        virtual const std::string& gtkServerOwner() const = 0;
        // The name of the process behind a connection, bounded as an application's name.
        virtual std::string senderProcessName(const char* sender) = 0;
        // Whether a reader is attached to the server, so that a new banner is shown, not held.
        virtual bool readerAttached() const = 0;
        // A banner entered the tree.
        virtual void bannerShown() = 0;
        // The server refused a call whose banner the reader may have announced.
        virtual void bannerRefused(const std::string& identifier) = 0;
        virtual void writeLog(const std::string& line) const = 0;
    };

    NotificationTraffic(BannerStore& banners, Host& host) : banners_(banners), host_(host) {}
    NotificationTraffic(const NotificationTraffic&) = delete;
    NotificationTraffic& operator=(const NotificationTraffic&) = delete;

    // One message the monitor saw.
    void handle(sd_bus_message* m);
    // The calls still waiting for the server's answer are of no more interest.
    void forgetPendingCalls() { pending_.clear(); }

private:
    using Banner = BannerStore::Banner;
    struct PendingCall {
        std::string caller;
        std::uint64_t cookie;
        std::uint64_t banner;
        // Updates of a pop-up carry the identifier of the alert that opened it; refusing the
        // update does not take that alert back.
        bool reportRefusal;
    };

    bool sentToServer(sd_bus_message* m) const;
    bool sentToGtkServer(sd_bus_message* m) const;
    void handleNotify(sd_bus_message* m);
    void handleGtkAdd(sd_bus_message* m);
    void handleGtkRemove(sd_bus_message* m);
    void handleCloseCall(sd_bus_message* m);
    void handleClosed(sd_bus_message* m);
    void handleReply(sd_bus_message* m, bool failed);
    void show(Banner banner, sd_bus_message* call, const char* caller, std::uint64_t cookie);
    void expectReply(sd_bus_message* m, const char* caller, std::uint64_t cookie,
                     std::uint64_t number, bool reportRefusal);
    void removeNotification(std::uint32_t id);

    BannerStore& banners_;
    Host& host_;
    std::deque<PendingCall> pending_;
};

} // namespace corvale
