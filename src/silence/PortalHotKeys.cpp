#include "silence/PortalHotKeys.h"

#include "silence/PortalTrigger.h"

namespace corvale {

PortalHotKeys::PortalHotKeys(GlobalShortcutsPortal& portal, Scheduler& scheduler,
                             std::map<std::uint32_t, Name> names, bool gnome, LogFn log,
                             std::function<void()> changed)
    : portal_(portal), scheduler_(scheduler), names_(std::move(names)), gnome_(gnome),
      log_(std::move(log)), changed_(std::move(changed)) {
    std::weak_ptr<bool> alive = alive_;
    auto live = [alive](auto fn) {
        return [alive, fn](auto&&... args) {
            if (alive.lock()) {
                fn(args...);
            }
        };
    };
    portal_.listen({live([this](const GlobalShortcutsPortal::Bound& b) { bound(b); }),
                    live([this](const std::string& id) { activated(id); }), live([this] {
                        log_("[hotkey] the desktop portal ended our shortcut session; binding "
                             "again");
                        bindSoon();
                    }),
                    live([this](const std::string& why) {
                        log_("[hotkey] the desktop portal refused the shortcuts: " + why);
                        // Nothing holds the keys now but what the user sets in the desktop.
                        bound_ = {};
                        bound_.setInDesktopSettings = true;
                        if (changed_) {
                            changed_();
                        }
                    })});
}

PortalHotKeys::~PortalHotKeys() = default;

std::optional<Subscription>
PortalHotKeys::installHandler(std::function<void(std::optional<HotKeyID>)> onPress) {
    const auto token = nextToken_++;
    handlers_[token] = std::move(onPress);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, token] {
        if (alive.lock()) {
            handlers_.erase(token);
        }
    });
}

std::optional<Subscription> PortalHotKeys::registerHotKey(const HotKeyCombo& combo, HotKeyID id) {
    if (!names_.count(id.id) || wanted_.count(id.id) || portal_.offered() == false) {
        return std::nullopt;
    }
    wanted_[id.id] = {combo, id};
    bindSoon();
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, key = id.id] {
        if (alive.lock()) {
            wanted_.erase(key);
            bindSoon();
        }
    });
}

std::string PortalHotKeys::mechanism() const {
    return mechanismName(currentMechanism());
}

GlobalShortcutMechanism PortalHotKeys::currentMechanism() const {
    return chooseGlobalShortcutMechanism({true, portal_.offered(), gnome_});
}

std::optional<std::string> PortalHotKeys::assignedTrigger(std::uint32_t id) const {
    const auto name = names_.find(id);
    if (name == names_.end() || !wanted_.count(id)) {
        return std::nullopt;
    }
    const auto found = bound_.triggers.find(name->second.id);
    if (found == bound_.triggers.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second;
}

void PortalHotKeys::bindSoon() {
    // A re-registration releases and registers both shortcuts: they go to the portal together.
    if (!pendingBind_) {
        pendingBind_ = scheduler_.after(Millis(0), [this] {
            Subscription done = std::move(pendingBind_);
            bind();
        });
    }
}

void PortalHotKeys::bind() {
    std::vector<GlobalShortcutsPortal::Shortcut> shortcuts;
    for (const auto& [key, wanted] : wanted_) {
        const auto& name = names_.at(key);
        shortcuts.push_back(
            {name.id, name.description, portalTrigger(wanted.first).value_or(std::string())});
    }
    bound_ = {};
    portal_.bind(shortcuts);
    if (changed_) {
        changed_();
    }
}

void PortalHotKeys::bound(const GlobalShortcutsPortal::Bound& result) {
    bound_ = result;
    for (const auto& [key, wanted] : wanted_) {
        const auto prefix = "[hotkey] " + names_.at(key).id + ": ";
        if (const auto trigger = assignedTrigger(key)) {
            log_(prefix + "the desktop assigned " + *trigger + " (desktop portal)");
        } else {
            log_(prefix + "no keys assigned by the desktop; set them in your desktop's settings");
        }
    }
    if (changed_) {
        changed_();
    }
}

void PortalHotKeys::activated(const std::string& portalID) {
    for (const auto& [key, wanted] : wanted_) {
        if (names_.at(key).id != portalID) {
            continue;
        }
        // Copied first: a receiver may register anew, which changes the maps.
        const HotKeyID id = wanted.second;
        auto handlers = handlers_;
        for (auto& [token, handler] : handlers) {
            if (handler) {
                handler(id);
            }
        }
        return;
    }
}

} // namespace corvale
