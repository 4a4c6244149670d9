#include "store/StarterPresets.h"

namespace corvale {

// Rules match the name a notification carries, so each entry is the name the Linux application
// really posts under: Electron apps send their package's product name (or its package name when
// it has none), GLib apps send their desktop entry, whose Name the reader resolves.
const std::vector<AppPreset>& StarterPresets::all() {
    static const std::vector<AppPreset> presets{
        {"Slack", "Ping", FlashColor::fromHex("#8E24AA"), 1.0},
        {"Discord", "Pop", FlashColor::fromHex("#3949AB"), 1.0},
        // The unofficial client that replaced Microsoft's retired Linux app.
        {"teams-for-linux", "Blow", FlashColor::fromHex("#1E88E5"), 1.0},
        // GNOME's SMS and chat app.
        {"Chats", "Glass", FlashColor::fromHex("#43A047"), 1.0},
        {"Thunderbird", "Hero", FlashColor::fromHex("#00ACC1"), 1.0},
        // Shows the reminders of GNOME Calendar and Evolution.
        {"Evolution Alarm Notify", "Bottle", FlashColor::fromHex("#E53935"), 1.0},
        {"KAlarm", "Morse", FlashColor::fromHex("#FB8C00"), 1.0},
        // The desktop wrapper of WhatsApp Web; WhatsApp has no Linux client of its own.
        {"whatsapp-for-linux", "Purr", FlashColor::fromHex("#D81B60"), 1.0},
        {"Telegram Desktop", "Tink", FlashColor::fromHex("#FDD835"), 1.0},
        {"Signal", "Funk", FlashColor::fromHex("#6D4C41"), 1.0},
    };
    return presets;
}

} // namespace corvale
