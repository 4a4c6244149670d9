#pragma once

#include "silence/HotKeyService.h"

#include <functional>
#include <memory>

namespace corvale {

// One live global shortcut. It exists only while the combination is registered; destroying it
// unregisters the combination.
class GlobalHotKey {
public:
    static constexpr std::uint32_t signature = fourCharCode("CRVL");

    // None when the combo is not one a shortcut may use or the service refuses it.
    static std::unique_ptr<GlobalHotKey> create(HotKeyService& service, const HotKeyCombo& combo,
                                                std::uint32_t id, std::function<void()> handler);
    ~GlobalHotKey();
    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;

    HotKeyID hotKeyID() const { return hotKeyID_; }

private:
    GlobalHotKey(std::uint32_t id, std::function<void()> handler);
    void pressed(std::optional<HotKeyID> id);

    std::optional<Subscription> hotKeyRef_;
    std::optional<Subscription> eventHandlerRef_;
    HotKeyID hotKeyID_;
    std::function<void()> handler_;
};

} // namespace corvale
