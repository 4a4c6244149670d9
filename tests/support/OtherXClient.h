#pragma once

// Header only: the support library itself does not link xcb.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace corvale::test {

// Another X client of a test, as another program on the desktop: it holds key grabs and reads
// and changes the keyboard's state.
struct OtherXClient {
    explicit OtherXClient(const std::string& display)
        : connection(xcb_connect(display.c_str(), nullptr)) {
        if (!xcb_connection_has_error(connection)) {
            root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        }
    }
    ~OtherXClient() { xcb_disconnect(connection); }
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        auto* symbols = xcb_key_symbols_alloc(connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return first;
    }
    // Whether the grab was granted; a key missing from the keymap is never grabbed.
    bool grab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        const xcb_keycode_t code = root ? keycode(keysym) : 0;
        if (code == 0) {
            return false;
        }
        auto* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, root, modifiers, code,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }
    // Moves every key of one modifier to another, as xmodmap would.
    bool moveModifier(int from, int to) {
        auto* reply = xcb_get_modifier_mapping_reply(connection,
                                                     xcb_get_modifier_mapping(connection), nullptr);
        if (!reply) {
            return false;
        }
        const int per = reply->keycodes_per_modifier;
        std::vector<xcb_keycode_t> map(xcb_get_modifier_mapping_keycodes(reply),
                                       xcb_get_modifier_mapping_keycodes(reply) + 8 * per);
        std::free(reply);
        for (int j = 0; j < per; ++j) {
            map[to * per + j] = map[from * per + j];
            map[from * per + j] = 0;
        }
        auto* set = xcb_set_modifier_mapping_reply(
            connection,
            xcb_set_modifier_mapping(connection, static_cast<std::uint8_t>(per), map.data()),
            nullptr);
        const bool done = set && set->status == XCB_MAPPING_STATUS_SUCCESS;
        std::free(set);
        return done;
    }
    std::uint16_t modifierState() {
        auto* reply =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
        const std::uint16_t mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

    xcb_connection_t* connection;
    xcb_window_t root = 0;
};

} // namespace corvale::test
