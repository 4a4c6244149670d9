#pragma once

#include "core/HotKeyCombo.h"
#include "core/Subscription.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// Packs four characters into one number, as the window system's identifiers are written.
constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

// The identifier a shortcut is registered under and its presses carry.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

// The window system's global shortcuts. Everything runs on the main thread; a returned handle
// undoes its installation or registration when it goes.
class HotKeyService {
public:
    virtual ~HotKeyService() = default;

    // A receiver of presses: each press of any registered combination reaches every receiver, once,
    // with the identifier it was registered under (none when the press carries no readable one).
    // None when the receiver cannot be installed.
    virtual std::optional<Subscription>
    installHandler(std::function<void(std::optional<HotKeyID>)> onPress) = 0;

    // Claims the combination system-wide, answered at once: none when it cannot be had (another
    // program owns it, it is already registered here, the key does not exist, there is no window
    // system).
    virtual std::optional<Subscription> registerHotKey(const HotKeyCombo& combo, HotKeyID id) = 0;

    // Tells of each registration that stopped being live while its handle was held (the keyboard
    // mapping changed and the combination could not be claimed again). A service whose
    // registrations never lapse tells nothing.
    virtual Subscription observeLostRegistrations(std::function<void(HotKeyID)> onLost) {
        (void)onLost;
        return {};
    }

    // How registrations reach the desktop, named in the log, where the desktop rather than a key
    // grab decides; empty for the window system's own grabs, where a refusal means another
    // program holds the combination.
    virtual std::string mechanism() const { return {}; }
};

} // namespace corvale
