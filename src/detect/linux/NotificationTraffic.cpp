#include "detect/linux/NotificationTraffic.h"

#include "core/AlertTrace.h"
#include "core/Log.h"
#include "detect/linux/NotificationMessages.h"
#include "detect/linux/NotificationText.h"

#include <algorithm>
#include <cstring>

namespace corvale {
namespace {

constexpr const char* notificationsName = "org.freedesktop.Notifications";
constexpr const char* notificationsPath = "/org/freedesktop/Notifications";
constexpr const char* gtkName = "org.gtk.Notifications";
constexpr const char* gtkPath = "/org/gtk/Notifications";

bool same(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

} // namespace

void NotificationTraffic::handle(sd_bus_message* m) {
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

bool NotificationTraffic::sentToServer(sd_bus_message* m) const {
    const char* destination = sd_bus_message_get_destination(m);
    const std::string& owner = host_.serverOwner();
    return same(sd_bus_message_get_path(m), notificationsPath) &&
           (same(destination, notificationsName) ||
            (!owner.empty() && same(destination, owner.c_str())));
}

// The desktop portal relays sandboxed apps' notifications to the owner's unique name.
bool NotificationTraffic::sentToGtkServer(sd_bus_message* m) const {
    const char* destination = sd_bus_message_get_destination(m);
    const std::string& owner = host_.gtkServerOwner();
    return same(destination, gtkName) || (!owner.empty() && same(destination, owner.c_str()));
}

void NotificationTraffic::handleNotify(sd_bus_message* m) {
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
    banner.texts = notificationCall::textsWithEntryOf(*call);
    if (banner.texts.appName.empty()) {
        banner.texts.appName = host_.senderProcessName(sender);
    }
    banner.suppressSound = call->suppressSound;
    banner.soundFile = call->soundFile;
    banner.soundName = call->soundName;
    banner.identifier = notificationCall::bannerIdentifier(sender, cookie);
    std::optional<std::uint64_t> replaced;
    if (call->replacesId != 0) {
        replaced = banners_.byNotificationId(call->replacesId);
    }
    if (call->stackTag) {
        banner.stackKey = banner.texts.appName + '\n' + *call->stackTag;
        if (!replaced) {
            replaced = banners_.byStackKey(*banner.stackKey);
        }
    }
    if (!replaced) {
        show(std::move(banner), m, sender, cookie);
        return;
    }
    const auto osdHint = notificationCall::onScreenDisplayHint(*call);
    if (!osdHint) {
        banners_.remove(*replaced);
        show(std::move(banner), m, sender, cookie);
        return;
    }
    // A volume, brightness or progress pop-up changing: the banner keeps the identifier the
    // reader has already seen, so the change is not announced as news.
    const auto* previous = banners_.find(*replaced);
    banner.identifier = previous->identifier;
    banner.held = previous->held;
    host_.writeLog("[osd] update not announced app=" + inQuotes(banner.texts.appName) +
                   " reason=" + inQuotes(*osdHint + " hint"));
    banners_.remove(*replaced);
    const auto number = banners_.add(std::move(banner));
    expectReply(m, sender, cookie, number, false);
}

void NotificationTraffic::handleGtkAdd(sd_bus_message* m) {
    const char* sender = sd_bus_message_get_sender(m);
    std::uint64_t cookie = 0;
    if (!sender || !sentToGtkServer(m) || !same(sd_bus_message_get_path(m), gtkPath) ||
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
        banner.texts.appName = host_.senderProcessName(sender);
    }
    banner.identifier = notificationCall::bannerIdentifier(sender, cookie);
    if (call->id) {
        banner.gtkKey = notificationCall::gtkKey(call->appId, *call->id);
        if (auto replaced = banners_.byGtkKey(banner.gtkKey)) {
            banners_.remove(*replaced);
        }
    }
    show(std::move(banner), m, sender, cookie);
}

void NotificationTraffic::handleGtkRemove(sd_bus_message* m) {
    if (!sentToGtkServer(m)) {
        return;
    }
    if (auto key = notificationMessages::readGtkRemoveKey(m)) {
        if (auto number = banners_.byGtkKey(*key)) {
            banners_.remove(*number);
        }
    }
}

// Puts a banner in the tree (or holds it back while no reader is attached), waits for the
// server's answer to the call, and tells the reader.
void NotificationTraffic::show(Banner banner, sd_bus_message* call, const char* caller,
                               std::uint64_t cookie) {
    banner.held = !host_.readerAttached();
    const bool held = banner.held;
    const auto number = banners_.add(std::move(banner));
    expectReply(call, caller, cookie, number, true);
    if (!held && banners_.find(number)) {
        alertTrace::stage("bus: banner in the tree");
        host_.bannerShown();
    }
}

void NotificationTraffic::handleCloseCall(sd_bus_message* m) {
    std::uint32_t id = 0;
    if (sentToServer(m) && sd_bus_message_has_signature(m, "u") > 0 &&
        sd_bus_message_read_basic(m, 'u', &id) > 0) {
        removeNotification(id);
    }
}

void NotificationTraffic::handleClosed(sd_bus_message* m) {
    // Anyone may emit this signal; only the server's own counts.
    std::uint32_t id = 0;
    const std::string& owner = host_.serverOwner();
    if (!owner.empty() && same(sd_bus_message_get_sender(m), owner.c_str()) &&
        sd_bus_message_has_signature(m, "uu") > 0 && sd_bus_message_read_basic(m, 'u', &id) > 0) {
        removeNotification(id);
    }
}

void NotificationTraffic::handleReply(sd_bus_message* m, bool failed) {
    const char* caller = sd_bus_message_get_destination(m);
    std::uint64_t cookie = 0;
    if (!caller || sd_bus_message_get_reply_cookie(m, &cookie) < 0) {
        return;
    }
    auto call = std::find_if(pending_.begin(), pending_.end(), [&](const PendingCall& p) {
        return p.cookie == cookie && p.caller == caller;
    });
    if (call == pending_.end()) {
        return;
    }
    const auto number = call->banner;
    const bool reportRefusal = call->reportRefusal;
    pending_.erase(call);
    const auto* banner = banners_.find(number);
    if (!banner) {
        return;
    }
    if (failed) {
        // Only a banner the reader could have announced is worth taking back.
        const bool wasShown = !banner->held;
        const auto identifier = banner->identifier;
        banners_.remove(number);
        if (wasShown && reportRefusal) {
            host_.bannerRefused(identifier);
        }
        return;
    }
    std::uint32_t id = 0;
    if (!banner->gtkKey.empty() || sd_bus_message_has_signature(m, "u") <= 0 ||
        sd_bus_message_read_basic(m, 'u', &id) <= 0 || id == 0) {
        return;
    }
    banners_.setNotificationId(number, id);
}

void NotificationTraffic::expectReply(sd_bus_message* m, const char* caller, std::uint64_t cookie,
                                      std::uint64_t number, bool reportRefusal) {
    if (sd_bus_message_get_expect_reply(m) <= 0) {
        return;
    }
    pending_.push_back({caller, cookie, number, reportRefusal});
    if (pending_.size() > maxPendingCalls) {
        pending_.pop_front();
    }
}

void NotificationTraffic::removeNotification(std::uint32_t id) {
    if (auto number = banners_.byNotificationId(id)) {
        banners_.remove(*number);
    }
}

} // namespace corvale
