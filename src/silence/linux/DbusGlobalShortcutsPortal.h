#pragma once

#include "core/linux/NameOwnerWatch.h"
#include "core/linux/SdBusHandles.h"
#include "silence/GlobalShortcutsPortal.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

class SdBusEventSource;

// org.freedesktop.portal.GlobalShortcuts on the session bus, through a connection of our own
// driven by the Qt event loop. One session (token "corvale", after which desktops name the
// component); the shortcuts go both in CreateSession's options, where Plasma 5.27 reads them, and
// through BindShortcuts, then ListShortcuts learns what the desktop assigned. Each step answers
// through its Request object's Response signal. Whether the portal offers the interface is asked
// once when made and again whenever the portal changes hands.
class DbusGlobalShortcutsPortal : public GlobalShortcutsPortal {
public:
    static constexpr const char* sessionToken = "corvale";

    DbusGlobalShortcutsPortal();
    ~DbusGlobalShortcutsPortal() override;
    DbusGlobalShortcutsPortal(const DbusGlobalShortcutsPortal&) = delete;
    DbusGlobalShortcutsPortal& operator=(const DbusGlobalShortcutsPortal&) = delete;

    std::optional<bool> offered() const override { return offered_; }
    void listen(Listener listener) override { listener_ = std::move(listener); }
    void bind(const std::vector<Shortcut>& shortcuts) override;

private:
    enum class Step { idle, closing, creating, binding, listing, bound };

    void probe();
    void ownerChanged(const std::string& owner);
    void createSession();
    void callBind();
    void callList();
    std::string nextRequestPath(std::string& token);
    void fail(const std::string& why);
    void sessionEnded();

    static int onCallReply(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onResponse(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onPortalSignal(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onSessionClosed(sd_bus_message* m, void* self, sd_bus_error* error);

    BusPtr bus_;
    std::unique_ptr<SdBusEventSource> events_;
    std::unique_ptr<NameOwnerWatch> ownerWatch_;
    SlotPtr responses_;
    SlotPtr portalSignals_;
    SlotPtr sessionClosed_;
    SlotPtr call_;
    std::string senderPath_; // our unique name as the portal writes it in object paths
    std::optional<bool> offered_;
    std::string owner_;
    Listener listener_;
    std::vector<Shortcut> shortcuts_;
    Step step_ = Step::idle;
    std::string requestPath_;
    std::string session_;
    unsigned requestCount_ = 0;
    Bound bound_;
};

} // namespace corvale
