#pragma once

#include <set>
#include <string>

namespace corvale {

// Brings an application's top-level window forward on the X display ($DISPLAY): finds it among
// the window manager's clients (_NET_CLIENT_LIST; the root's mapped children where no window
// manager lists them) by its process (_NET_WM_PID) or its class (WM_CLASS, either part, without
// regard to case), and asks for it with _NET_ACTIVE_WINDOW, as a taskbar does. Without a window
// manager that lists its clients, the window is raised and focused directly.
class X11WindowRaiser {
public:
    struct Wanted {
        std::set<int> pids;
        // Case-folded window classes.
        std::set<std::string> classes;
    };

    // Whether a window was found and asked for; the newest of several matching windows.
    static bool raise(const Wanted& wanted);
};

} // namespace corvale
