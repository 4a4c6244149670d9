#include "support/InMemoryBannerTree.h"

#include <algorithm>
#include <vector>

namespace corvale::test {

BannerElement InMemoryBannerTree::root(int processId) {
    auto it = roots_.find(processId);
    if (it != roots_.end()) {
        return {it->second};
    }
    const auto id = nextId_++;
    nodes_[id] = Node{};
    nodes_[id].attributes["AXRole"] = std::string("AXApplication");
    roots_[processId] = id;
    return {id};
}

BannerElement InMemoryBannerTree::applicationElement(int processId) {
    auto it = roots_.find(processId);
    // A process without a tree gets an element that answers nothing.
    return it != roots_.end() ? BannerElement{it->second} : BannerElement{0};
}

AttributeValue InMemoryBannerTree::attribute(BannerElement element, std::string_view name) {
    auto node = nodes_.find(element.id);
    if (node == nodes_.end()) {
        return std::monostate{};
    }
    auto value = node->second.attributes.find(name);
    return value != node->second.attributes.end() ? value->second : AttributeValue{};
}

BannerElement InMemoryBannerTree::addElement(BannerElement parent) {
    const auto id = nextId_++;
    nodes_[id] = Node{};
    auto& children = nodes_[parent.id].attributes["AXChildren"];
    if (!std::holds_alternative<std::vector<BannerElement>>(children)) {
        children = std::vector<BannerElement>{};
    }
    std::get<std::vector<BannerElement>>(children).push_back({id});
    return {id};
}

void InMemoryBannerTree::set(BannerElement element, const std::string& name, AttributeValue value) {
    nodes_[element.id].attributes[name] = std::move(value);
}

void InMemoryBannerTree::removeChild(BannerElement parent, BannerElement child) {
    auto& children = nodes_[parent.id].attributes["AXChildren"];
    if (auto* list = std::get_if<std::vector<BannerElement>>(&children)) {
        list->erase(std::remove(list->begin(), list->end(), child), list->end());
    }
    nodes_.erase(child.id);
}

BannerElement InMemoryBannerTree::addBanner(BannerElement parent, const std::string& uuid,
                                            const std::string& description,
                                            const std::string& title, const std::string& body,
                                            const std::string& subrole) {
    auto banner = addElement(parent);
    set(banner, "AXSubrole", subrole);
    set(banner, "AXRole", std::string("AXGroup"));
    if (!uuid.empty()) {
        set(banner, "AXIdentifier", uuid);
    }
    set(banner, "AXDescription", description);
    addText(banner, "title", title);
    addText(banner, "body", body);
    return banner;
}

BannerElement InMemoryBannerTree::addText(BannerElement parent, const std::string& identifier,
                                          AttributeValue value, const std::string& role) {
    auto text = addElement(parent);
    set(text, "AXRole", role);
    set(text, "AXIdentifier", identifier);
    set(text, "AXValue", std::move(value));
    return text;
}

Subscription InMemoryBannerTree::observeChanges(int processId, std::function<void()> fn) {
    ++observeChangesCalls_;
    if (failObserve) {
        return {};
    }
    const auto id = nextObserver_++;
    changeObservers_[id] = Observer{processId, std::move(fn)};
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, id] {
        if (!alive.expired()) {
            changeObservers_.erase(id);
        }
    });
}

Subscription InMemoryBannerTree::observeLaunches(std::function<void()> fn) {
    const auto id = nextObserver_++;
    launchObservers_[id] = std::move(fn);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, id] {
        if (!alive.expired()) {
            launchObservers_.erase(id);
        }
    });
}

Subscription
InMemoryBannerTree::observeRefusals(std::function<void(const std::string& identifier)> fn) {
    const auto id = nextObserver_++;
    refusalObservers_[id] = std::move(fn);
    std::weak_ptr<bool> alive = alive_;
    return Subscription([this, alive, id] {
        if (!alive.expired()) {
            refusalObservers_.erase(id);
        }
    });
}

void InMemoryBannerTree::refuse(const std::string& identifier) {
    std::vector<std::function<void(const std::string&)>> due;
    for (auto& [id, fn] : refusalObservers_) {
        due.push_back(fn);
    }
    for (auto& fn : due) {
        fn(identifier);
    }
}

void InMemoryBannerTree::notifyChange(int processId) {
    // Copies: an observer may unsubscribe while being notified.
    std::vector<std::function<void()>> due;
    for (auto& [id, observer] : changeObservers_) {
        if (observer.pid == processId) {
            due.push_back(observer.fn);
        }
    }
    for (auto& fn : due) {
        fn();
    }
}

void InMemoryBannerTree::notifyLaunch() {
    std::vector<std::function<void()>> due;
    for (auto& [id, fn] : launchObservers_) {
        due.push_back(fn);
    }
    for (auto& fn : due) {
        fn();
    }
}

} // namespace corvale::test
