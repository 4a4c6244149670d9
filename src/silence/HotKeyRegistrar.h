#pragma once

#include "core/Log.h"
#include "core/Scheduler.h"
#include "core/SettingsPrefs.h"
#include "silence/GlobalHotKey.h"
#include "silence/HotKeyService.h"

#include <functional>
#include <list>
#include <memory>

namespace corvale {

// Keeps the mute-all and snooze shortcuts registered as the preferences say. A press never runs
// its action inside the window system's dispatch: the action runs on the next turn of the main
// loop, and not at all once this object is gone.
class HotKeyRegistrar {
public:
    static constexpr std::uint32_t muteHotKeyID = 1;
    static constexpr std::uint32_t snoozeHotKeyID = 2;

    struct Actions {
        std::function<void()> toggleSoundsFromHotKey;
        std::function<void()> snoozeHotKeyFired;
        // A shortcut that was live no longer is; whoever shows it says so.
        std::function<void()> registrationLost = {};
    };

    HotKeyRegistrar(HotKeyService& service, SettingsPrefs& prefs, Scheduler& scheduler,
                    Actions actions, LogFn log);
    HotKeyRegistrar(const HotKeyRegistrar&) = delete;
    HotKeyRegistrar& operator=(const HotKeyRegistrar&) = delete;

    // Releases both shortcuts and registers them anew from the stored combos, logging each.
    void registerHotKeys();

    const GlobalHotKey* muteHotKey() const { return muteHotKey_.get(); }
    const GlobalHotKey* snoozeHotKey() const { return snoozeHotKey_.get(); }

private:
    std::unique_ptr<GlobalHotKey> registerOne(const char* name, std::optional<HotKeyCombo> combo,
                                              std::uint32_t id,
                                              const std::function<void()>& action);
    void runSoon(const std::function<void()>& action);
    void registrationLost(HotKeyID id);

    HotKeyService& service_;
    SettingsPrefs& prefs_;
    Scheduler& scheduler_;
    Actions actions_;
    LogFn log_;
    std::unique_ptr<GlobalHotKey> muteHotKey_;
    std::unique_ptr<GlobalHotKey> snoozeHotKey_;
    std::list<Subscription> pending_;
    Subscription lostWatch_;
};

} // namespace corvale
