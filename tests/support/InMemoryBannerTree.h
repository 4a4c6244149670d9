#pragma once

#include "detect/BannerTree.h"

#include <map>
#include <memory>
#include <string>

namespace corvale::test {

// A banner tree held in memory: elements with attributes and children, one root per process.
class InMemoryBannerTree : public BannerTree {
public:
    bool trusted = true;
    std::optional<int> pid;
    // Makes observeChanges fail, as when no observer can be created for the process.
    bool failObserve = false;

    bool isTrusted() override { return trusted; }
    std::optional<int> serverPid() override { return pid; }
    BannerElement applicationElement(int processId) override;
    AttributeValue attribute(BannerElement element, std::string_view name) override;
    Subscription observeChanges(int processId, std::function<void()> fn) override;
    Subscription observeLaunches(std::function<void()> fn) override;
    Subscription observeRefusals(std::function<void(const std::string& identifier)> fn) override;

    // Building the tree.
    BannerElement root(int processId);
    BannerElement addElement(BannerElement parent);
    void set(BannerElement element, const std::string& name, AttributeValue value);
    void removeChild(BannerElement parent, BannerElement child);
    // A banner with "title" and "body" static texts, as the server shows a single notification.
    BannerElement addBanner(BannerElement parent, const std::string& uuid,
                            const std::string& description, const std::string& title,
                            const std::string& body,
                            const std::string& subrole = "AXNotificationCenterBanner");
    BannerElement addText(BannerElement parent, const std::string& identifier, AttributeValue value,
                          const std::string& role = "AXStaticText");

    // Delivers a change notice to the observers of process processId; a launch notice to all.
    void notifyChange(int processId);
    void notifyLaunch();
    // Tells the refusal observers that the server refused the banner with this identifier.
    void refuse(const std::string& identifier);
    size_t changeObserverCount() const { return changeObservers_.size(); }
    size_t observeChangesCalls() const { return observeChangesCalls_; }

private:
    struct Node {
        std::map<std::string, AttributeValue, std::less<>> attributes;
    };
    struct Observer {
        int pid;
        std::function<void()> fn;
    };

    std::map<std::uint64_t, Node> nodes_;
    std::map<int, std::uint64_t> roots_;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, Observer> changeObservers_;
    std::map<std::uint64_t, std::function<void()>> launchObservers_;
    std::map<std::uint64_t, std::function<void(const std::string&)>> refusalObservers_;
    std::uint64_t nextObserver_ = 1;
    size_t observeChangesCalls_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale::test
