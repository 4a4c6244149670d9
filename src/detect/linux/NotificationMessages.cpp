#include "detect/linux/NotificationMessages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

namespace corvale::notificationMessages {
namespace {

constexpr size_t maxHints = 256;

bool isNumericType(char type) {
    return std::strchr("ynqiuxtd", type) != nullptr && type != '\0';
}

// Reads an a{sv} dictionary entry by entry. `take` gets each key with the type of its value and
// either reads the value (returning true) or leaves it to be skipped. An entry that cannot be read
// ends the dictionary: the bus library cannot step over a string it refuses (skipping
// validates too), so that entry and those after it are lost while those before it are kept.
void readDictionary(sd_bus_message* m,
                    const std::function<bool(std::string_view key, char type)>& take) {
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) {
        return;
    }
    for (size_t i = 0; i < maxHints; ++i) {
        const int r = sd_bus_message_enter_container(m, 'e', "sv");
        if (r == 0) {
            return;
        }
        std::string_view key;
        const char* contents = nullptr;
        if (r < 0 || !readString(m, key) || sd_bus_message_peek_type(m, nullptr, &contents) <= 0 ||
            !contents) {
            return;
        }
        const char type = std::strlen(contents) == 1 ? contents[0] : '\0';
        if (!take(key, type) && sd_bus_message_skip(m, "v") < 0) {
            return;
        }
        if (sd_bus_message_exit_container(m) < 0) {
            return;
        }
    }
}

// Reads a variant holding a string; false when it cannot be read.
bool readVariantString(sd_bus_message* m, std::string& out) {
    std::string_view value;
    if (sd_bus_message_enter_container(m, 'v', "s") <= 0 || !readString(m, value)) {
        return false;
    }
    out = value;
    return sd_bus_message_exit_container(m) >= 0;
}

// Reads a variant holding a boolean or an integer (some clients send flags as bytes or ints) as
// whether it is non-zero; false when it cannot be read.
bool readVariantFlag(sd_bus_message* m, char type, bool& out) {
    const char contents[2] = {type, '\0'};
    if (sd_bus_message_enter_container(m, 'v', contents) <= 0) {
        return false;
    }
    // Large enough for any basic integer type; read_basic fills only its own width.
    std::uint64_t value = 0;
    int boolean = 0;
    void* target = type == 'b' ? static_cast<void*>(&boolean) : static_cast<void*>(&value);
    if (sd_bus_message_read_basic(m, type, target) <= 0) {
        return false;
    }
    out = type == 'b' ? boolean != 0 : value != 0;
    return sd_bus_message_exit_container(m) >= 0;
}

} // namespace

bool readString(sd_bus_message* m, std::string_view& out) {
    const char* text = nullptr;
    if (sd_bus_message_read_basic(m, 's', &text) <= 0 || !text) {
        return false;
    }
    out = text;
    return true;
}

std::optional<NotifyCall> readNotifyCall(sd_bus_message* m) {
    if (sd_bus_message_has_signature(m, "susssasa{sv}i") <= 0) {
        return std::nullopt;
    }
    NotifyCall call;
    std::string_view appName, icon, summary, body;
    if (!readString(m, appName)) {
        return call;
    }
    call.appNameRead = true;
    call.appName = appName.substr(0, notificationCall::maxAppNameCharacters * 4 + 4);
    if (sd_bus_message_read_basic(m, 'u', &call.replacesId) <= 0 || !readString(m, icon) ||
        !readString(m, summary)) {
        return call;
    }
    call.summary = summary.substr(0, notificationCall::maxTitleBytes + 4);
    if (!readString(m, body)) {
        return call;
    }
    call.body = body.substr(0, notificationCall::maxRawBodyBytes);
    if (sd_bus_message_skip(m, "as") < 0) {
        return call;
    }
    readDictionary(m, [&](std::string_view key, char type) {
        if (key == "desktop-entry" && type == 's') {
            std::string entry;
            if (!readVariantString(m, entry)) {
                return false;
            }
            call.desktopEntry = entry.substr(0, notificationCall::maxKeyPartBytes);
            return true;
        }
        if (key == "suppress-sound" && (type == 'b' || (isNumericType(type) && type != 'd'))) {
            return readVariantFlag(m, type, call.suppressSound);
        }
        if ((key == "sound-file" || key == "sound-name") && type == 's') {
            std::string hint;
            if (!readVariantString(m, hint)) {
                return false;
            }
            (key == "sound-file" ? call.soundFile : call.soundName) =
                hint.substr(0, notificationCall::maxSoundHintBytes);
            return true;
        }
        if (key == "value" && isNumericType(type)) {
            call.hasProgressValue = true;
            return false;
        }
        const auto* hint = std::find(std::begin(notificationCall::stackTagHints),
                                     std::end(notificationCall::stackTagHints), key);
        if (hint != std::end(notificationCall::stackTagHints) && type == 's') {
            std::string tag;
            if (!readVariantString(m, tag)) {
                return false;
            }
            // The first tag in the hints' order of preference wins.
            const auto* current =
                std::find(std::begin(notificationCall::stackTagHints),
                          std::end(notificationCall::stackTagHints), call.stackTagHint);
            if (!call.stackTag || hint < current) {
                call.stackTag = tag.substr(0, notificationCall::maxKeyPartBytes);
                call.stackTagHint = *hint;
            }
            return true;
        }
        return false;
    });
    return call;
}

std::optional<GtkNotificationCall> readGtkAddCall(sd_bus_message* m) {
    if (sd_bus_message_has_signature(m, "ssa{sv}") <= 0) {
        return std::nullopt;
    }
    GtkNotificationCall call;
    std::string_view appId, id;
    if (!readString(m, appId)) {
        return call;
    }
    call.appIdRead = true;
    call.appId = appId.substr(0, notificationCall::maxKeyPartBytes * 4);
    if (!readString(m, id)) {
        return call;
    }
    call.id = id.substr(0, notificationCall::maxKeyPartBytes * 4);
    readDictionary(m, [&](std::string_view key, char type) {
        if (type != 's' || (key != "title" && key != "body")) {
            return false;
        }
        std::string value;
        if (!readVariantString(m, value)) {
            return false;
        }
        if (key == "title") {
            call.title = value.substr(0, notificationCall::maxTitleBytes + 4);
        } else {
            call.body = value.substr(0, notificationCall::maxBodyBytes + 4);
        }
        return true;
    });
    return call;
}

std::optional<std::string> readGtkRemoveKey(sd_bus_message* m) {
    std::string_view appId, id;
    if (sd_bus_message_has_signature(m, "ss") <= 0 || !readString(m, appId) || !readString(m, id)) {
        return std::nullopt;
    }
    return notificationCall::gtkKey(appId, id);
}

} // namespace corvale::notificationMessages
