#pragma once

#include "detect/BannerTree.h"
#include "detect/linux/NotificationCall.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace corvale {

// The notifications the server shows now, as the banner tree the reader walks, plus those held
// back until a reader attaches to the server. Each part is capped; the oldest go first.
class BannerStore {
public:
    struct Banner {
        std::string identifier;
        BannerTexts texts;
        std::optional<std::uint32_t> notificationId;
        std::string gtkKey;
        // Synchronous or stack tag with the app's name: on-screen displays replace by it.
        std::optional<std::string> stackKey;
        // The app asked the server to play no sound for it.
        bool suppressSound = false;
        // The sound the app names for it, as hinted; empty when none.
        std::string soundFile;
        std::string soundName;
        bool held = false;
    };

    // Element ids: the server's root, the root of any other process, and for banner number n the
    // banner (4n), its title (4n + 1) and its body (4n + 2).
    static constexpr std::uint64_t serverRootId = 1;
    static constexpr std::uint64_t otherRootId = 2;

    BannerStore(size_t maxShown, size_t maxHeld) : maxShown_(maxShown), maxHeld_(maxHeld) {}

    // Adds a banner, held back or shown, and returns its number.
    std::uint64_t add(Banner banner);
    void remove(std::uint64_t number);
    // What a server that went away showed; held banners wait for the next one.
    void removeShown();
    void clear();

    const Banner* find(std::uint64_t number) const;
    std::optional<std::uint64_t> byNotificationId(std::uint32_t id) const;
    std::optional<std::uint64_t> byGtkKey(const std::string& key) const;
    std::optional<std::uint64_t> byStackKey(const std::string& key) const;

    // The server's id for a banner. The server hands out an id only once while it shows it, so
    // an older holder of the id was missed closing and goes.
    void setNotificationId(std::uint64_t number, std::uint32_t id);

    // Moves the oldest held banner into the tree; false when none waits.
    bool releaseOldestHeld();

    size_t shownCount() const;
    size_t heldCount() const { return banners_.size() - shownCount(); }

    // The tree as the banner reader reads it.
    AttributeValue attribute(BannerElement element, std::string_view name) const;

private:
    void evictBeyondCap(bool held);

    size_t maxShown_;
    size_t maxHeld_;
    std::map<std::uint64_t, Banner> banners_;
    std::map<std::uint32_t, std::uint64_t> byNotificationId_;
    std::map<std::string, std::uint64_t> byGtkKey_;
    std::map<std::string, std::uint64_t> byStackKey_;
    std::uint64_t next_ = 1;
};

} // namespace corvale
