#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// The arguments of an org.freedesktop.Notifications.Notify call that the reader uses, as far as
// they could be read from the message: reading stops at the first field the bus library refuses
// (it refuses Unicode noncharacters that the bus delivers), and that field and those after it stay
// empty.
struct NotifyCall {
    // Whether app_name itself could be read; when not, the application is named by its process.
    bool appNameRead = false;
    std::string appName;
    std::uint32_t replacesId = 0;
    std::string summary;
    std::string body;
    std::optional<std::string> desktopEntry;
    // The first synchronous or stack tag among the hints, and the hint that carried it.
    std::optional<std::string> stackTag;
    std::string stackTagHint;
    // A progress "value" hint of a numeric type.
    bool hasProgressValue = false;
    // The "suppress-sound" hint, true: the app plays its own sound or wants none.
    bool suppressSound = false;
    // The "sound-file" and "sound-name" hints, cut to maxSoundHintBytes; checked by the player.
    std::string soundFile;
    std::string soundName;
};

// The arguments of an org.gtk.Notifications.AddNotification call, read the same way.
struct GtkNotificationCall {
    bool appIdRead = false;
    std::string appId;
    std::optional<std::string> id;
    std::string title;
    std::string body;
};

// A banner's texts, safe to show and log: valid UTF-8, bounded, markup removed from the body.
struct BannerTexts {
    // Empty when the call names no application; the caller then looks further.
    std::string appName;
    // The Name of the desktop entry the call names, which rules may use too; empty when none.
    std::string entryName;
    std::string title;
    std::string body;
};

namespace notificationCall {

inline constexpr size_t maxAppNameCharacters = 256;
inline constexpr size_t maxTitleBytes = 4 * 1024;
inline constexpr size_t maxBodyBytes = 64 * 1024;
// Above any path or sound name the player accepts, so a longer hint still reads as too long.
inline constexpr size_t maxSoundHintBytes = 8 * 1024;
// Markup is removed from at most this much of a body before it is cut to its final length.
inline constexpr size_t maxRawBodyBytes = 256 * 1024;
inline constexpr size_t maxKeyPartBytes = 256;

// The hints that make notifications replace one another on screen, in the order they are honoured.
inline constexpr const char* stackTagHints[] = {"x-canonical-private-synchronous", "synchronous",
                                                "x-dunst-stack-tag"};

BannerTexts textsOf(const NotifyCall& call);
// The same, with the Name of the desktop entry the call names looked up; that Name also names the
// application when the call names none.
BannerTexts textsWithEntryOf(const NotifyCall& call);
// The identifier of the banner a call shows: the caller's unique name and the call's serial.
std::string bannerIdentifier(std::string_view sender, std::uint64_t cookie);
BannerTexts textsOf(const GtkNotificationCall& call);

// An application name from elsewhere (a desktop entry, a process) made safe and bounded.
std::string boundedAppName(std::string_view name);

// Why an update of a notification on screen is an on-screen display (volume, brightness,
// progress) rather than news: the hint that says so, or nothing for an ordinary notification.
std::optional<std::string> onScreenDisplayHint(const NotifyCall& call);

// The key under which a GApplication's notification replaces its predecessor.
std::string gtkKey(std::string_view appId, std::string_view id);

} // namespace notificationCall
} // namespace corvale
