#include "silence/linux/XfceNotifydDoNotDisturb.h"

#include <cstring>

namespace corvale {
namespace {

constexpr const char* xfconfName = "org.xfce.Xfconf";
constexpr const char* xfconfPath = "/org/xfce/Xfconf";
constexpr const char* channel = "xfce4-notifyd";
constexpr const char* property = "/do-not-disturb";

} // namespace

XfceNotifydDoNotDisturb::XfceNotifydDoNotDisturb(std::function<void()> changed)
    : BusDoNotDisturbSource(xfconfName,
                            std::string("type='signal',path='") + xfconfPath + "',interface='" +
                                xfconfName + "',arg0='" + channel + "',arg1='" + property + "'",
                            {xfconfPath, xfconfName, "GetProperty", channel, property},
                            std::move(changed)) {}

void XfceNotifydDoNotDisturb::ownerSignalled(sd_bus_message* m) {
    const char* member = sd_bus_message_get_member(m);
    if (!member) {
        return;
    }
    const char *changedChannel = nullptr, *changedProperty = nullptr;
    if (std::strcmp(member, "PropertyRemoved") == 0 && sd_bus_message_has_signature(m, "ss") > 0) {
        set(std::nullopt);
        return;
    }
    if (std::strcmp(member, "PropertyChanged") != 0 ||
        sd_bus_message_has_signature(m, "ssv") <= 0 ||
        sd_bus_message_read(m, "ss", &changedChannel, &changedProperty) < 0) {
        return;
    }
    int value = 0;
    if (sd_bus_message_enter_container(m, 'v', "b") > 0 &&
        sd_bus_message_read_basic(m, 'b', &value) >= 0) {
        set(value != 0);
    } else {
        set(std::nullopt);
    }
}

} // namespace corvale
