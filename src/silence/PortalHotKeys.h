#pragma once

#include "core/Log.h"
#include "core/Scheduler.h"
#include "silence/GlobalShortcutMechanism.h"
#include "silence/GlobalShortcutsPortal.h"
#include "silence/HotKeyService.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace corvale {

// Global shortcuts on a Wayland session through the desktop portal. A registration is a wish the
// desktop may grant with the keys asked for, other keys, or none until the user sets them in its
// settings; the registrations made in one turn of the main loop go to the portal in one session.
// Where the portal offers no global shortcuts, nothing registers.
class PortalHotKeys : public HotKeyService {
public:
    struct Name {
        std::string id;          // the portal's shortcut id, kept by the desktop across runs
        std::string description; // what the desktop's settings list
    };

    // `changed` runs whenever what the desktop assigned may have changed.
    PortalHotKeys(GlobalShortcutsPortal& portal, Scheduler& scheduler,
                  std::map<std::uint32_t, Name> names, bool gnome, LogFn log,
                  std::function<void()> changed);
    ~PortalHotKeys() override;
    PortalHotKeys(const PortalHotKeys&) = delete;
    PortalHotKeys& operator=(const PortalHotKeys&) = delete;

    std::optional<Subscription>
    installHandler(std::function<void(std::optional<HotKeyID>)> onPress) override;
    std::optional<Subscription> registerHotKey(const HotKeyCombo& combo, HotKeyID id) override;
    std::string mechanism() const override;
    GlobalShortcutMechanism currentMechanism() const;

    // The keys the desktop assigned to the shortcut registered under `id`; none before it
    // answered or when it assigned none.
    std::optional<std::string> assignedTrigger(std::uint32_t id) const;
    // Whether the desktop wants the keys set in its own settings.
    bool setInDesktopSettings() const { return bound_.setInDesktopSettings; }

private:
    void bindSoon();
    void bind();
    void bound(const GlobalShortcutsPortal::Bound& bound);
    void activated(const std::string& portalID);

    GlobalShortcutsPortal& portal_;
    Scheduler& scheduler_;
    std::map<std::uint32_t, Name> names_;
    bool gnome_;
    LogFn log_;
    std::function<void()> changed_;
    std::map<std::uint64_t, std::function<void(std::optional<HotKeyID>)>> handlers_;
    std::map<std::uint32_t, std::pair<HotKeyCombo, HotKeyID>> wanted_;
    std::uint64_t nextToken_ = 1;
    Subscription pendingBind_;
    GlobalShortcutsPortal::Bound bound_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
