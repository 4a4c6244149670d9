#pragma once

#include "core/Log.h"
#include "detect/BannerTree.h"
#include "detect/linux/NotificationCall.h"

#include <memory>

namespace corvale {

// The notifications shown by the desktop's notification server, read from the session bus as a
// banner tree. A monitor connection watches the notification calls and signals; an ordinary
// connection finds the server process. Both run on the Qt event loop of the main thread.
class DbusBannerTree : public BannerTree {
public:
    static constexpr size_t maxBanners = 200;
    static constexpr size_t maxHeldBanners = 20;
    static constexpr size_t maxAppNameCharacters = notificationCall::maxAppNameCharacters;
    static constexpr size_t maxTitleBytes = notificationCall::maxTitleBytes;
    static constexpr size_t maxBodyBytes = notificationCall::maxBodyBytes;

    // Sets up the monitor at once, so the first trust query answers truly.
    explicit DbusBannerTree(LogFn log);
    ~DbusBannerTree() override;
    DbusBannerTree(const DbusBannerTree&) = delete;
    DbusBannerTree& operator=(const DbusBannerTree&) = delete;

    // True while the bus accepts our monitor; without one, every query tries to set it up again.
    bool isTrusted() override;
    std::optional<int> serverPid() override;
    BannerElement applicationElement(int pid) override;
    AttributeValue attribute(BannerElement element, std::string_view name) override;
    Subscription observeChanges(int pid, std::function<void()> fn) override;
    Subscription observeLaunches(std::function<void()> fn) override;
    Subscription observeRefusals(std::function<void(const std::string& identifier)> fn) override;
    // Descriptions hold the application's name alone: no server summarises.
    bool descriptionIsAppName() const override { return true; }

    // Asked for each Notify call before it is read, with the identifier its banner would have:
    // true holds the call, and every message after it, until `resume` is called (on this thread).
    using HoldBack =
        std::function<bool(const std::string& identifier, std::function<void()> resume)>;
    void setHoldBack(HoldBack holdBack);

    // Banners in the tree, and banners waiting for a reader to attach to the server.
    size_t bannerCount() const;
    size_t heldCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace corvale
