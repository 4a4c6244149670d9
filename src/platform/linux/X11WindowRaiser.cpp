#include "platform/linux/X11WindowRaiser.h"

#include "core/Text.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace corvale {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

// EWMH: the request comes from a taskbar or pager, that is from the user.
constexpr std::uint32_t sourcePager = 2;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type) {
    if (name == XCB_ATOM_NONE) {
        return nullptr;
    }
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 4096), nullptr));
}

// The managed windows, oldest first; none when no window manager lists them.
std::optional<std::vector<xcb_window_t>> clientList(xcb_connection_t* c, xcb_window_t root) {
    auto reply = property(c, root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW) {
        return std::nullopt;
    }
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return std::vector<xcb_window_t>(ids, ids + xcb_get_property_value_length(reply.get()) / 4);
}

// The root's mapped ordinary children, bottom first.
std::vector<xcb_window_t> mappedChildren(xcb_connection_t* c, xcb_window_t root) {
    std::vector<xcb_window_t> out;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree) {
        return out;
    }
    const auto* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            !attributes->override_redirect) {
            out.push_back(children[i]);
        }
    }
    return out;
}

bool belongs(xcb_connection_t* c, xcb_window_t window, xcb_atom_t pidAtom,
             const X11WindowRaiser::Wanted& wanted) {
    if (auto pid = property(c, window, pidAtom, XCB_ATOM_CARDINAL);
        pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4) {
        const auto value = *static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get()));
        if (value > 0 && wanted.pids.contains(static_cast<int>(value))) {
            return true;
        }
    }
    auto wmClass = property(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (!wmClass || wmClass->format != 8) {
        return false;
    }
    // Instance and class, each ended by a NUL.
    const auto* text = static_cast<const char*>(xcb_get_property_value(wmClass.get()));
    const std::string both(text, static_cast<size_t>(xcb_get_property_value_length(wmClass.get())));
    size_t start = 0;
    while (start < both.size()) {
        auto end = both.find('\0', start);
        if (end == std::string::npos) {
            end = both.size();
        }
        if (end > start && wanted.classes.contains(caseFolded(both.substr(start, end - start)))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

bool X11WindowRaiser::raise(const Wanted& wanted) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || (wanted.pids.empty() && wanted.classes.empty())) {
        return false;
    }
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(display, &screenNumber));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) {
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i) {
        xcb_screen_next(&screens);
    }
    if (!screens.rem) {
        return false;
    }
    const xcb_window_t root = screens.data->root;
    const auto managed = clientList(c, root);
    const auto windows = managed ? *managed : mappedChildren(c, root);
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");
    xcb_window_t found = XCB_WINDOW_NONE;
    for (auto it = windows.rbegin(); it != windows.rend() && found == XCB_WINDOW_NONE; ++it) {
        if (belongs(c, *it, pidAtom, wanted)) {
            found = *it;
        }
    }
    if (found == XCB_WINDOW_NONE) {
        return false;
    }
    if (managed) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = found;
        event.type = atom(c, "_NET_ACTIVE_WINDOW");
        event.data.data32[0] = sourcePager;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, found, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, found, XCB_CURRENT_TIME);
    }
    // Wait for the server to have it, so the connection may close at once.
    Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

} // namespace corvale
