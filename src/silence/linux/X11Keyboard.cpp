#include "silence/linux/X11Keyboard.h"

#include "silence/linux/X11VirtualKey.h"

#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace corvale {
namespace {

constexpr std::uint16_t coreModifierBits = 0xFF;
constexpr std::uint16_t shortcutModifierBits =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

std::uint16_t xModifiers(HotKeyModifiers modifiers) {
    std::uint16_t mask = 0;
    if (modifiers.contains(HotKeyModifiers::control)) {
        mask |= XCB_MOD_MASK_CONTROL;
    }
    if (modifiers.contains(HotKeyModifiers::option)) {
        mask |= XCB_MOD_MASK_1;
    }
    if (modifiers.contains(HotKeyModifiers::shift)) {
        mask |= XCB_MOD_MASK_SHIFT;
    }
    if (modifiers.contains(HotKeyModifiers::command)) {
        mask |= XCB_MOD_MASK_4;
    }
    return mask;
}

// Every combination of the lock bits in mask, none included.
std::vector<std::uint16_t> subsetsOf(std::uint16_t mask) {
    std::vector<std::uint16_t> subsets{0};
    for (std::uint16_t bit = 1; bit != 0 && bit <= mask;
         bit = static_cast<std::uint16_t>(bit << 1)) {
        if (mask & bit) {
            const auto count = subsets.size();
            for (size_t i = 0; i < count; ++i) {
                subsets.push_back(static_cast<std::uint16_t>(subsets[i] | bit));
            }
        }
    }
    return subsets;
}

struct KeySymbols {
    explicit KeySymbols(xcb_connection_t* connection)
        : symbols(xcb_key_symbols_alloc(connection)) {}
    ~KeySymbols() {
        if (symbols) {
            xcb_key_symbols_free(symbols);
        }
    }
    KeySymbols(const KeySymbols&) = delete;
    KeySymbols& operator=(const KeySymbols&) = delete;

    std::vector<xcb_keycode_t> keycodes(xcb_keysym_t keysym) const {
        std::vector<xcb_keycode_t> found;
        if (!symbols) {
            return found;
        }
        if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym)) {
            for (auto* code = codes; *code != XCB_NO_SYMBOL; ++code) {
                found.push_back(*code);
            }
            std::free(codes);
        }
        return found;
    }

    xcb_key_symbols_t* symbols;
};

// Dead keys print their accent on the key cap; the layout gives them no text of their own.
std::optional<std::string> deadKeyText(xkb_keysym_t keysym) {
    switch (keysym) {
    case XKB_KEY_dead_grave:
        return "`";
    case XKB_KEY_dead_acute:
        return "\u00B4";
    case XKB_KEY_dead_circumflex:
        return "^";
    case XKB_KEY_dead_tilde:
        return "~";
    case XKB_KEY_dead_diaeresis:
        return "\u00A8";
    case XKB_KEY_dead_cedilla:
        return "\u00B8";
    case XKB_KEY_dead_abovering:
        return "\u02DA";
    case XKB_KEY_dead_caron:
        return "\u02C7";
    default:
        return std::nullopt;
    }
}

} // namespace

X11Keyboard::X11Keyboard(std::optional<std::string> displayName) {
    drainSoon_.setSingleShot(true);
    drainSoon_.setInterval(0);
    QObject::connect(&drainSoon_, &QTimer::timeout, [this] { processEvents(); });

    int screenNumber = 0;
    connection_ = xcb_connect(displayName ? displayName->c_str() : nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem <= 0) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    root_ = screens.data->root;

    // The keymap is read on a second connection: a client that turns XKB on no longer hears of
    // keymap changes by the core event that tells us to grab anew. Without the extension, keys
    // are found by their US keysyms in the core keymap.
    context_ = xkb_context_new(static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES |
                                                              XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    keymapConnection_ = xcb_connect(displayName ? displayName->c_str() : nullptr, nullptr);
    if (context_ && !xcb_connection_has_error(keymapConnection_) &&
        xkb_x11_setup_xkb_extension(
            keymapConnection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        deviceId_ = xkb_x11_get_core_keyboard_device_id(keymapConnection_);
    }

    readable_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                  QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { processEvents(); });
}

X11Keyboard::~X11Keyboard() {
    readable_.reset();
    if (connection_) {
        // The server drops our grabs with the connection.
        xcb_disconnect(connection_);
    }
    if (keymapConnection_) {
        xcb_disconnect(keymapConnection_);
    }
    if (context_) {
        xkb_context_unref(context_);
    }
}

bool X11Keyboard::connected() const {
    return connection_ && !xcb_connection_has_error(connection_);
}

std::optional<Subscription>
X11Keyboard::installHandler(std::function<void(std::optional<HotKeyID>)> onPress) {
    const auto token = nextToken_++;
    handlers_[token] = std::make_shared<PressHandler>(std::move(onPress));
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (!alive.expired()) {
            handlers_.erase(token);
        }
    });
}

Subscription X11Keyboard::observeLostRegistrations(std::function<void(HotKeyID)> onLost) {
    const auto token = nextToken_++;
    lostWatchers_[token] = std::make_shared<std::function<void(HotKeyID)>>(std::move(onLost));
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (!alive.expired()) {
            lostWatchers_.erase(token);
        }
    });
}

std::optional<Subscription> X11Keyboard::registerHotKey(const HotKeyCombo& combo, HotKeyID id) {
    if (!connected()) {
        return std::nullopt;
    }
    Grab wanted{combo.keyCode, xModifiers(combo.modifiers), id, 0, {}};
    xkb_keymap* keymap = loadKeymap();
    auto keycode = keycodeFor(combo.keyCode, keymap);
    if (keymap) {
        xkb_keymap_unref(keymap);
    }
    if (!keycode) {
        return std::nullopt;
    }
    wanted.keycode = *keycode;
    for (const auto& [token, held] : grabs_) {
        if (held.keycode == wanted.keycode && held.modifiers == wanted.modifiers) {
            return std::nullopt;
        }
    }
    const bool granted = grab(wanted);
    // Replies read while checking may have brought events the socket will not announce again.
    drainSoon_.start();
    if (!granted) {
        return std::nullopt;
    }
    const auto token = nextToken_++;
    grabs_[token] = wanted;
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (alive.expired()) {
            return;
        }
        auto found = grabs_.find(token);
        if (found != grabs_.end()) {
            ungrab(found->second);
            grabs_.erase(found);
        }
    });
}

bool X11Keyboard::grab(Grab& wanted) {
    wanted.lockStates = subsetsOf(lockModifiers());
    std::vector<xcb_void_cookie_t> cookies;
    for (auto locks : wanted.lockStates) {
        cookies.push_back(xcb_grab_key_checked(
            connection_, 0, root_, static_cast<std::uint16_t>(wanted.modifiers | locks),
            wanted.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // BadAccess: another client holds one of the combinations.
    bool granted = true;
    for (auto cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            granted = false;
            std::free(error);
        }
    }
    granted = granted && !xcb_connection_has_error(connection_);
    if (!granted) {
        // Ungrabbing touches only our own grabs, never the other client's.
        ungrab(wanted);
    }
    return granted;
}

void X11Keyboard::ungrab(const Grab& held) {
    if (!connected()) {
        return;
    }
    for (auto locks : held.lockStates) {
        xcb_ungrab_key(connection_, held.keycode, root_,
                       static_cast<std::uint16_t>(held.modifiers | locks));
    }
    xcb_flush(connection_);
}

void X11Keyboard::regrabAll() {
    xkb_keymap* keymap = loadKeymap();
    std::vector<HotKeyID> lost;
    for (auto found = grabs_.begin(); found != grabs_.end();) {
        Grab& held = found->second;
        ungrab(held);
        auto keycode = keycodeFor(held.virtualKeyCode, keymap);
        if (keycode) {
            held.keycode = *keycode;
        }
        // The new mapping may lack the key, or another client may hold one of its variants.
        if (!keycode || !grab(held)) {
            lost.push_back(held.id);
            found = grabs_.erase(found);
        } else {
            ++found;
        }
    }
    if (keymap) {
        xkb_keymap_unref(keymap);
    }
    drainSoon_.start();
    // A watcher may release registrations or stop watching while it runs.
    auto watchers = lostWatchers_;
    for (const auto& id : lost) {
        for (const auto& [token, watcher] : watchers) {
            if (lostWatchers_.count(token)) {
                (*watcher)(id);
            }
        }
    }
}

std::uint16_t X11Keyboard::lockModifiers() {
    KeySymbols symbols(connection_);
    auto lockKeys = symbols.keycodes(XKB_KEY_Num_Lock);
    const auto scrollLock = symbols.keycodes(XKB_KEY_Scroll_Lock);
    lockKeys.insert(lockKeys.end(), scrollLock.begin(), scrollLock.end());
    std::uint16_t mask = XCB_MOD_MASK_LOCK;
    auto* reply =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    if (!reply) {
        return mask;
    }
    const xcb_keycode_t* mapped = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    const int length = xcb_get_modifier_mapping_keycodes_length(reply);
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int j = 0; j < perModifier && modifier * perModifier + j < length; ++j) {
            const auto code = mapped[modifier * perModifier + j];
            if (code != 0 && std::find(lockKeys.begin(), lockKeys.end(), code) != lockKeys.end()) {
                mask = static_cast<std::uint16_t>(mask | (1u << modifier));
            }
        }
    }
    std::free(reply);
    // A lock key bound to a modifier that shortcuts use is not ignored.
    return static_cast<std::uint16_t>(mask & ~shortcutModifierBits);
}

xkb_keymap* X11Keyboard::loadKeymap() {
    if (!connected() || !context_ || deviceId_ < 0 || !keymapConnection_ ||
        xcb_connection_has_error(keymapConnection_)) {
        return nullptr;
    }
    auto* keymap = xkb_x11_keymap_new_from_device(context_, keymapConnection_, deviceId_,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
    discardKeymapEvents();
    return keymap;
}

void X11Keyboard::discardKeymapEvents() {
    // Nothing is asked of this connection but replies; whatever else arrives would only pile up.
    while (xcb_generic_event_t* event = xcb_poll_for_event(keymapConnection_)) {
        std::free(event);
    }
}

std::optional<std::uint8_t> X11Keyboard::keycodeFor(std::uint32_t virtualKeyCode,
                                                    xkb_keymap* keymap) {
    auto key = X11VirtualKey::forVirtualKeyCode(virtualKeyCode);
    if (!key) {
        return std::nullopt;
    }
    if (keymap) {
        const xkb_keycode_t code = xkb_keymap_key_by_name(keymap, key->keyName);
        if (code != XKB_KEYCODE_INVALID && code >= 8 && code <= 255) {
            return static_cast<std::uint8_t>(code);
        }
    }
    KeySymbols symbols(connection_);
    auto codes = symbols.keycodes(key->keysym);
    if (codes.empty()) {
        return std::nullopt;
    }
    return codes.front();
}

std::optional<std::string> X11Keyboard::producedCharacter(std::uint32_t keyCode) {
    if (!connected()) {
        return std::nullopt;
    }
    xkb_keymap* keymap = loadKeymap();
    const auto keycode = keycodeFor(keyCode, keymap);
    std::optional<std::string> produced;
    char text[64] = {};
    if (keycode && keymap) {
        // The active layout (group) of the keyboard, with no modifier down and no lock on.
        xkb_layout_index_t layout = 0;
        if (xkb_state* live = xkb_x11_state_new_from_device(keymap, keymapConnection_, deviceId_)) {
            layout = xkb_state_serialize_layout(live, XKB_STATE_LAYOUT_EFFECTIVE);
            xkb_state_unref(live);
        }
        discardKeymapEvents();
        if (xkb_state* plain = xkb_state_new(keymap)) {
            xkb_state_update_mask(plain, 0, 0, 0, 0, 0, layout);
            const int length = xkb_state_key_get_utf8(plain, *keycode, text, sizeof text);
            if (length > 0 && static_cast<size_t>(length) < sizeof text) {
                produced = std::string(text, static_cast<size_t>(length));
            } else {
                produced = deadKeyText(xkb_state_key_get_one_sym(plain, *keycode));
            }
            xkb_state_unref(plain);
        }
    } else if (keycode) {
        KeySymbols symbols(connection_);
        const xcb_keysym_t keysym =
            symbols.symbols ? xcb_key_symbols_get_keysym(symbols.symbols, *keycode, 0) : 0;
        const int length = keysym ? xkb_keysym_to_utf8(keysym, text, sizeof text) : 0;
        if (length > 1) {
            produced = std::string(text, static_cast<size_t>(length - 1));
        } else {
            produced = deadKeyText(keysym);
        }
    }
    if (keymap) {
        xkb_keymap_unref(keymap);
    }
    drainSoon_.start();
    return produced;
}

std::optional<std::uint32_t> X11Keyboard::virtualKeyCode(std::uint8_t keycode) {
    if (!connected()) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> found;
    if (xkb_keymap* keymap = loadKeymap()) {
        if (const char* name = xkb_keymap_key_get_name(keymap, keycode)) {
            found = X11VirtualKey::virtualKeyCodeForKeyName(name);
        }
        xkb_keymap_unref(keymap);
    }
    if (!found) {
        KeySymbols symbols(connection_);
        if (symbols.symbols) {
            found = X11VirtualKey::virtualKeyCodeForKeysym(
                xcb_key_symbols_get_keysym(symbols.symbols, keycode, 0));
        }
    }
    drainSoon_.start();
    return found;
}

void X11Keyboard::processEvents() {
    if (!connection_) {
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        switch (event->response_type & 0x7F) {
        case XCB_KEY_PRESS: {
            const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
            keyPressed(press->detail, press->state, press->time);
            break;
        }
        case XCB_KEY_RELEASE: {
            const auto* release = reinterpret_cast<xcb_key_release_event_t*>(event);
            keyReleased(release->detail, release->time);
            break;
        }
        case XCB_MAPPING_NOTIFY: {
            const auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
            if (mapping->request != XCB_MAPPING_POINTER) {
                regrabAll();
            }
            break;
        }
        default:
            break; // errors of requests nobody checks, and events we did not ask for
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_) && readable_ && readable_->isEnabled()) {
        // The display went away: a closed socket would wake us for ever.
        readable_->setEnabled(false);
        if (displayLost_) {
            displayLost_();
        }
    }
}

void X11Keyboard::keyReleased(std::uint8_t keycode, std::uint32_t time) {
    lastRelease_ = {keycode, time};
}

void X11Keyboard::keyPressed(std::uint8_t keycode, std::uint16_t state, std::uint32_t time) {
    // Auto-repeat sends a release and a press with the same time: a held key fires once.
    const bool repeat =
        lastRelease_ && lastRelease_->first == keycode && lastRelease_->second == time;
    lastRelease_.reset();
    if (repeat) {
        return;
    }
    std::optional<HotKeyID> id;
    for (const auto& [token, held] : grabs_) {
        std::uint16_t locks = 0;
        for (auto lockState : held.lockStates) {
            locks = static_cast<std::uint16_t>(locks | lockState);
        }
        const auto modifiers = static_cast<std::uint16_t>(state & coreModifierBits & ~locks);
        if (held.keycode == keycode && held.modifiers == modifiers) {
            id = held.id;
            break;
        }
    }
    if (!id) {
        return;
    }
    // A receiver may remove itself or another one while it runs.
    auto receivers = handlers_;
    for (const auto& [token, handler] : receivers) {
        if (handlers_.count(token)) {
            (*handler)(id);
        }
    }
}

} // namespace corvale
