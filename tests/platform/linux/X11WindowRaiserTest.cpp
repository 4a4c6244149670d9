#include "platform/linux/X11WindowRaiser.h"

#include "support/PrivateDisplay.h"
#include "support/ScopedEnvironment.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <xcb/xcb.h>

namespace corvale {
namespace {

using namespace std::chrono_literals;

// A client of the private display that makes windows and, when asked, stands in for the window
// manager: it takes the root's redirect and lists its clients as EWMH managers do.
class Desktop {
public:
    explicit Desktop(const std::string& display) : c_(xcb_connect(display.c_str(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~Desktop() { xcb_disconnect(c_); }

    xcb_window_t window(const std::string& instanceAndClass, std::uint32_t pid) {
        const xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(instanceAndClass.size()),
                            instanceAndClass.data());
        if (pid) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"),
                                XCB_ATOM_CARDINAL, 32, 1, &pid);
        }
        xcb_map_window(c_, w);
        sync();
        return w;
    }

    void manage(const std::vector<xcb_window_t>& clients) {
        const std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, static_cast<std::uint32_t>(clients.size()),
                            clients.data());
        sync();
    }

    void leave() {
        const std::uint32_t none = 0;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &none);
        xcb_delete_property(c_, root_, atom("_NET_CLIENT_LIST"));
        sync();
    }

    // The window the next _NET_ACTIVE_WINDOW request names, with its source; none in time.
    std::pair<xcb_window_t, std::uint32_t>
    activeWindowRequest(std::chrono::milliseconds wait = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < deadline) {
            while (auto* event = xcb_poll_for_event(c_)) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                const bool wanted = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                                    message->type == atom("_NET_ACTIVE_WINDOW");
                const std::pair result{message->window, message->data.data32[0]};
                std::free(event);
                if (wanted) {
                    return result;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return {XCB_WINDOW_NONE, 0};
    }

    xcb_window_t topmost() {
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr);
        const int count = xcb_query_tree_children_length(tree);
        const xcb_window_t top = count ? xcb_query_tree_children(tree)[count - 1] : 0;
        std::free(tree);
        return top;
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

TEST(X11WindowRaiser, findsTheWindowByProcessOrClassAndAsksForItOrRaisesItItself) {
    test::PrivateDisplay display;
    ASSERT_TRUE(display.ready()) << display.setupError();
    test::ScopedEnvironment env({{"DISPLAY", display.name()}});
    Desktop desktop(display.name());
    const auto terminal = desktop.window(std::string("xterm\0XTerm\0", 12), 0);
    const auto browser = desktop.window(std::string("Navigator\0firefox-esr\0", 22), 0);
    const auto chat = desktop.window(std::string("chat\0Chat\0", 10), 424242);

    desktop.manage({terminal, browser, chat});
    EXPECT_TRUE(X11WindowRaiser::raise({{424242}, {}}));
    EXPECT_EQ(desktop.activeWindowRequest(), std::pair(chat, 2u)) << "asked for as a taskbar does";
    EXPECT_TRUE(X11WindowRaiser::raise({{1}, {"firefox-esr"}}));
    EXPECT_EQ(desktop.activeWindowRequest().first, browser) << "by either part of its class";
    EXPECT_FALSE(X11WindowRaiser::raise({{1}, {"navigator-x"}}));
    EXPECT_EQ(desktop.activeWindowRequest(300ms).first, XCB_WINDOW_NONE) << "no window, no request";

    desktop.leave();
    ASSERT_NE(desktop.topmost(), terminal);
    EXPECT_TRUE(X11WindowRaiser::raise({{}, {"xterm"}}));
    EXPECT_EQ(desktop.topmost(), terminal) << "without a window manager it is raised itself";
}

} // namespace
} // namespace corvale
