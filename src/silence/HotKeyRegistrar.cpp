#include "silence/HotKeyRegistrar.h"

namespace corvale {

HotKeyRegistrar::HotKeyRegistrar(HotKeyService& service, SettingsPrefs& prefs, Scheduler& scheduler,
                                 Actions actions, LogFn log)
    : service_(service), prefs_(prefs), scheduler_(scheduler), actions_(std::move(actions)),
      log_(std::move(log)) {
    lostWatch_ = service_.observeLostRegistrations([this](HotKeyID id) { registrationLost(id); });
}

void HotKeyRegistrar::registerHotKeys() {
    // Each field is emptied before its combo is read again, so the same combination can be
    // registered anew at once.
    muteHotKey_.reset();
    muteHotKey_ = registerOne("mute-all", prefs_.muteHotKeyCombo(), muteHotKeyID,
                              actions_.toggleSoundsFromHotKey);
    snoozeHotKey_.reset();
    snoozeHotKey_ = registerOne("snooze", prefs_.snoozeHotKeyCombo(), snoozeHotKeyID,
                                actions_.snoozeHotKeyFired);
}

std::unique_ptr<GlobalHotKey> HotKeyRegistrar::registerOne(const char* name,
                                                           std::optional<HotKeyCombo> combo,
                                                           std::uint32_t id,
                                                           const std::function<void()>& action) {
    const std::string prefix = std::string("[hotkey] ") + name + ": ";
    if (!combo) {
        log_(prefix + "none set");
        return nullptr;
    }
    auto hotKey = GlobalHotKey::create(service_, *combo, id, [this, action] { runSoon(action); });
    const auto mechanism = service_.mechanism();
    if (hotKey) {
        log_(prefix + "registered " + combo->displayText());
        if (!mechanism.empty()) {
            log_(prefix + "through " + mechanism);
        }
    } else if (mechanism.empty()) {
        log_(prefix + "FAILED to register " + combo->displayText() + " (in use by another app?)");
    } else {
        log_(prefix + combo->displayText() + " is not a global shortcut here: " + mechanism);
    }
    return hotKey;
}

void HotKeyRegistrar::registrationLost(HotKeyID id) {
    auto lost = [&](std::unique_ptr<GlobalHotKey>& field, const char* name,
                    std::optional<HotKeyCombo> combo) {
        if (!field || field->hotKeyID() != id) {
            return false;
        }
        field.reset();
        // Registrations follow the preferences, so the stored combo is the one that was lost.
        if (combo) {
            log_(std::string("[hotkey] ") + name + ": FAILED to register " + combo->displayText() +
                 " (in use by another app?)");
        }
        return true;
    };
    if ((lost(muteHotKey_, "mute-all", prefs_.muteHotKeyCombo()) ||
         lost(snoozeHotKey_, "snooze", prefs_.snoozeHotKeyCombo())) &&
        actions_.registrationLost) {
        actions_.registrationLost();
    }
}

void HotKeyRegistrar::runSoon(const std::function<void()>& action) {
    auto slot = pending_.emplace(pending_.end());
    *slot = scheduler_.after(Millis(0), [this, slot, action] {
        Subscription done = std::move(*slot);
        pending_.erase(slot);
        if (action) {
            action();
        }
    });
}

} // namespace corvale
