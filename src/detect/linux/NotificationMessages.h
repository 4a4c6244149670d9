#pragma once

#include "detect/linux/NotificationCall.h"

#include <optional>
#include <string>
#include <string_view>
#include <systemd/sd-bus.h>

namespace corvale::notificationMessages {

// Reads a string argument; the view lives as long as the message. False when the bus library
// refuses it (it refuses Unicode noncharacters that the bus itself delivers).
bool readString(sd_bus_message* m, std::string_view& out);

// The arguments of a Notify call, read in order up to the first field that cannot be read; that
// field and those after it stay empty, so the notification is never lost for one bad field. None
// when the message does not have Notify's signature.
std::optional<NotifyCall> readNotifyCall(sd_bus_message* m);

// The same for GApplication's AddNotification.
std::optional<GtkNotificationCall> readGtkAddCall(sd_bus_message* m);

// The replacement key that RemoveNotification names, if it can be read.
std::optional<std::string> readGtkRemoveKey(sd_bus_message* m);

} // namespace corvale::notificationMessages
