#pragma once

#include "silence/HotKeyService.h"
#include "silence/KeyboardLayout.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;
struct xkb_keymap;
struct xkb_context;

namespace corvale {

// The X keyboard through a connection of our own: global shortcuts as passive key grabs on the
// root window, and the characters of the active layout from its XKB keymap. A virtual key code
// names a physical key, found in the keymap by its XKB key name. Presses are read on the Qt event
// loop and handed to the receivers on the main thread. Without a display nothing registers.
class X11Keyboard : public HotKeyService, public KeyboardLayout {
public:
    // The display named, else $DISPLAY.
    explicit X11Keyboard(std::optional<std::string> displayName = std::nullopt);
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    bool connected() const;
    // Called once when a display we were connected to goes away, as it does when the X session
    // ends; nothing is called when there never was a display.
    void onDisplayLost(std::function<void()> handler) { displayLost_ = std::move(handler); }

    std::optional<Subscription>
    installHandler(std::function<void(std::optional<HotKeyID>)> onPress) override;
    std::optional<Subscription> registerHotKey(const HotKeyCombo& combo, HotKeyID id) override;
    Subscription observeLostRegistrations(std::function<void(HotKeyID)> onLost) override;
    std::optional<std::string> producedCharacter(std::uint32_t keyCode) override;

    // The virtual key code of the physical key an X key event reports, for recording shortcuts.
    std::optional<std::uint32_t> virtualKeyCode(std::uint8_t keycode);

private:
    struct Grab {
        std::uint32_t virtualKeyCode = 0;
        std::uint16_t modifiers = 0;
        HotKeyID id;
        std::uint8_t keycode = 0;
        std::vector<std::uint16_t> lockStates;
    };
    using PressHandler = std::function<void(std::optional<HotKeyID>)>;

    void processEvents();
    void keyPressed(std::uint8_t keycode, std::uint16_t state, std::uint32_t time);
    void keyReleased(std::uint8_t keycode, std::uint32_t time);
    void regrabAll();

    // A fresh copy of the server's keymap: the layout may have changed since the last question.
    xkb_keymap* loadKeymap();
    void discardKeymapEvents();
    std::optional<std::uint8_t> keycodeFor(std::uint32_t virtualKeyCode, xkb_keymap* keymap);
    std::uint16_t lockModifiers();
    bool grab(Grab& grab);
    void ungrab(const Grab& grab);

    xcb_connection_t* connection_ = nullptr;
    xcb_connection_t* keymapConnection_ = nullptr;
    std::uint32_t root_ = 0;
    xkb_context* context_ = nullptr;
    std::int32_t deviceId_ = -1;
    std::unique_ptr<QSocketNotifier> readable_;
    QTimer drainSoon_;
    std::map<std::uint64_t, Grab> grabs_;
    std::map<std::uint64_t, std::shared_ptr<PressHandler>> handlers_;
    std::map<std::uint64_t, std::shared_ptr<std::function<void(HotKeyID)>>> lostWatchers_;
    std::uint64_t nextToken_ = 1;
    std::optional<std::pair<std::uint8_t, std::uint32_t>> lastRelease_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::function<void()> displayLost_;
};

} // namespace corvale
