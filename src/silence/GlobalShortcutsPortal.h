#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The desktop portal's global shortcuts: one session of ours holding every shortcut, the keys
// assigned by the desktop. Everything is told on the main thread.
class GlobalShortcutsPortal {
public:
    struct Shortcut {
        std::string id;
        std::string description;
        std::string preferredTrigger; // empty: no preference
    };
    struct Bound {
        // Each shortcut the desktop holds for us, with the keys it names (empty when none).
        std::map<std::string, std::string> triggers;
        // The desktop answered the binding with no shortcuts: the user sets the keys in its
        // settings.
        bool setInDesktopSettings = false;
    };
    struct Listener {
        std::function<void(const Bound&)> bound;
        std::function<void(const std::string& id)> activated;
        // The session ended without our asking (closed by the desktop, the portal restarted).
        std::function<void()> sessionClosed;
        std::function<void(const std::string& why)> failed;
    };

    virtual ~GlobalShortcutsPortal() = default;

    // Whether the portal offers global shortcuts; none while it has not answered.
    virtual std::optional<bool> offered() const = 0;
    virtual void listen(Listener listener) = 0;
    // Ends any session of ours and opens one with these shortcuts; with none, only ends it.
    virtual void bind(const std::vector<Shortcut>& shortcuts) = 0;
};

} // namespace corvale
