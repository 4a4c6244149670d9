#pragma once

#include "core/NamedObservers.h"

#include <functional>
#include <string>

namespace corvale {

// Names of the in-process notifications by which settings changes reach the running parts.
namespace notes {
inline constexpr const char* statusItemNeedsRefresh = "CorvaleStatusItemNeedsRefresh";
inline constexpr const char* hotKeyChanged = "CorvaleHotKeyChanged";
inline constexpr const char* testFlash = "CorvaleTestFlash";
inline constexpr const char* checkForUpdates = "CorvaleCheckForUpdates";
inline constexpr const char* themeAccentChanged = "CorvaleThemeAccentChanged";
inline constexpr const char* sidebarIconStyleChanged = "CorvaleSidebarIconStyleChanged";
inline constexpr const char* soundDidChange = "CorvaleSoundDidChange";
} // namespace notes

// The process's own notification center: synchronous delivery on the poster's (main) thread.
class NotificationCenter {
public:
    Subscription observe(const std::string& name, std::function<void()> fn) {
        return observers_.observe(name, std::move(fn));
    }
    void post(const std::string& name) { observers_.post(name); }

private:
    NamedObservers<> observers_;
};

} // namespace corvale
