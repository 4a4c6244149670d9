#pragma once

#include "core/Subscription.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvale {

// One element of the notification server's banner tree. Only the tree that handed it out knows
// what the id means; an element that no longer exists answers every read with nothing.
struct BannerElement {
    std::uint64_t id = 0;
    friend bool operator==(BannerElement, BannerElement) = default;
};

// What an attribute read returns: nothing, a text, a number or a list of elements.
using AttributeValue =
    std::variant<std::monostate, std::string, double, std::vector<BannerElement>>;

// The notification server as the banner reader sees it: a tree of elements with attributes
// ("AXSubrole", "AXRole", "AXIdentifier", "AXDescription", "AXValue", "AXChildren", and
// "desktopEntryName": the Name of the desktop entry a banner's application named;
// "suppressSound": 1 when the banner's application asked for no sound; "soundFile" and
// "soundName": the sound it named), a
// notice when something was created in it, and a notice when a server starts. Notices arrive
// on the main thread and stop when their handle is destroyed.
class BannerTree {
public:
    virtual ~BannerTree() = default;

    // Whether this process may read the server's banners at all.
    virtual bool isTrusted() = 0;
    // The process id of the running notification server, if there is one.
    virtual std::optional<int> serverPid() = 0;
    // The root of process pid's tree; the root of a process that is gone has no children.
    virtual BannerElement applicationElement(int pid) = 0;
    virtual AttributeValue attribute(BannerElement element, std::string_view name) = 0;
    // Notices of elements created by process pid. An empty handle means no observer could be set
    // up.
    virtual Subscription observeChanges(int pid, std::function<void()> fn) = 0;
    // Notices that a notification server started.
    virtual Subscription observeLaunches(std::function<void()> fn) = 0;
    // Notices that the server refused a banner it was asked to show (given by its "AXIdentifier"),
    // after the banner had entered the tree. Trees whose server cannot refuse never send them.
    virtual Subscription observeRefusals(std::function<void(const std::string& identifier)>) {
        return {};
    }
    // Whether a banner's "AXDescription" is its application's name as it is, rather than a
    // summary whose first comma-separated part names the application.
    virtual bool descriptionIsAppName() const { return false; }
};

} // namespace corvale
