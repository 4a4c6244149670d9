#include "detect/linux/BannerStore.h"

namespace corvale {
namespace {

template <typename Key>
std::optional<std::uint64_t> lookUp(const std::map<Key, std::uint64_t>& index, const Key& key) {
    auto it = index.find(key);
    if (it == index.end()) {
        return std::nullopt;
    }
    return it->second;
}

template <typename Key>
void unindex(std::map<Key, std::uint64_t>& index, const Key& key, std::uint64_t number) {
    auto it = index.find(key);
    if (it != index.end() && it->second == number) {
        index.erase(it);
    }
}

} // namespace

std::uint64_t BannerStore::add(Banner banner) {
    const auto number = next_++;
    const bool held = banner.held;
    if (!banner.gtkKey.empty()) {
        byGtkKey_[banner.gtkKey] = number;
    }
    if (banner.stackKey) {
        byStackKey_[*banner.stackKey] = number;
    }
    banners_.emplace(number, std::move(banner));
    evictBeyondCap(held);
    return number;
}

void BannerStore::remove(std::uint64_t number) {
    auto it = banners_.find(number);
    if (it == banners_.end()) {
        return;
    }
    const auto& banner = it->second;
    if (banner.notificationId) {
        unindex(byNotificationId_, *banner.notificationId, number);
    }
    if (!banner.gtkKey.empty()) {
        unindex(byGtkKey_, banner.gtkKey, number);
    }
    if (banner.stackKey) {
        unindex(byStackKey_, *banner.stackKey, number);
    }
    banners_.erase(it);
}

void BannerStore::removeShown() {
    for (auto it = banners_.begin(); it != banners_.end();) {
        auto next = std::next(it);
        if (!it->second.held) {
            remove(it->first);
        }
        it = next;
    }
}

void BannerStore::clear() {
    banners_.clear();
    byNotificationId_.clear();
    byGtkKey_.clear();
    byStackKey_.clear();
}

const BannerStore::Banner* BannerStore::find(std::uint64_t number) const {
    auto it = banners_.find(number);
    return it == banners_.end() ? nullptr : &it->second;
}

std::optional<std::uint64_t> BannerStore::byNotificationId(std::uint32_t id) const {
    return lookUp(byNotificationId_, id);
}

std::optional<std::uint64_t> BannerStore::byGtkKey(const std::string& key) const {
    return lookUp(byGtkKey_, key);
}

std::optional<std::uint64_t> BannerStore::byStackKey(const std::string& key) const {
    return lookUp(byStackKey_, key);
}

void BannerStore::setNotificationId(std::uint64_t number, std::uint32_t id) {
    auto it = banners_.find(number);
    if (it == banners_.end()) {
        return;
    }
    if (auto older = byNotificationId(id); older && *older != number) {
        remove(*older);
    }
    it->second.notificationId = id;
    byNotificationId_[id] = number;
}

bool BannerStore::releaseOldestHeld() {
    for (auto& [number, banner] : banners_) {
        if (banner.held) {
            banner.held = false;
            evictBeyondCap(false);
            return true;
        }
    }
    return false;
}

size_t BannerStore::shownCount() const {
    size_t count = 0;
    for (const auto& [number, banner] : banners_) {
        count += banner.held ? 0 : 1;
    }
    return count;
}

void BannerStore::evictBeyondCap(bool held) {
    const size_t cap = held ? maxHeld_ : maxShown_;
    size_t count = held ? heldCount() : shownCount();
    for (auto it = banners_.begin(); count > cap && it != banners_.end();) {
        auto next = std::next(it);
        if (it->second.held == held) {
            remove(it->first);
            --count;
        }
        it = next;
    }
}

AttributeValue BannerStore::attribute(BannerElement element, std::string_view name) const {
    if (element.id == serverRootId || element.id == otherRootId) {
        if (name == "AXRole") {
            return std::string("AXApplication");
        }
        if (name != "AXChildren") {
            return {};
        }
        std::vector<BannerElement> children;
        if (element.id == serverRootId) {
            for (const auto& [number, banner] : banners_) {
                if (!banner.held) {
                    children.push_back({number * 4});
                }
            }
        }
        return children;
    }
    auto it = banners_.find(element.id / 4);
    if (it == banners_.end() || it->second.held) {
        return {};
    }
    const auto& banner = it->second;
    const auto part = element.id % 4;
    if (part == 0) {
        if (name == "AXSubrole") {
            return std::string("AXNotificationCenterBanner");
        }
        if (name == "AXRole") {
            return std::string("AXGroup");
        }
        if (name == "AXIdentifier") {
            return banner.identifier;
        }
        if (name == "AXDescription") {
            return banner.texts.appName;
        }
        if (name == "desktopEntryName" && !banner.texts.entryName.empty()) {
            return banner.texts.entryName;
        }
        if (name == "suppressSound" && banner.suppressSound) {
            return 1.0;
        }
        if (name == "soundFile" && !banner.soundFile.empty()) {
            return banner.soundFile;
        }
        if (name == "soundName" && !banner.soundName.empty()) {
            return banner.soundName;
        }
        if (name == "AXChildren") {
            return std::vector<BannerElement>{{element.id + 1}, {element.id + 2}};
        }
        return {};
    }
    if (part == 3) {
        return {};
    }
    if (name == "AXRole") {
        return std::string("AXStaticText");
    }
    if (name == "AXIdentifier") {
        return std::string(part == 1 ? "title" : "body");
    }
    if (name == "AXValue") {
        return part == 1 ? banner.texts.title : banner.texts.body;
    }
    return {};
}

} // namespace corvale
