#include "silence/GlobalHotKey.h"

namespace corvale {

GlobalHotKey::GlobalHotKey(std::uint32_t id, std::function<void()> handler)
    : hotKeyID_{signature, id}, handler_(std::move(handler)) {}

std::unique_ptr<GlobalHotKey> GlobalHotKey::create(HotKeyService& service, const HotKeyCombo& combo,
                                                   std::uint32_t id,
                                                   std::function<void()> handler) {
    if (!combo.isRegistrable()) {
        return nullptr;
    }
    std::unique_ptr<GlobalHotKey> hotKey(new GlobalHotKey(id, std::move(handler)));
    auto* self = hotKey.get();
    hotKey->eventHandlerRef_ = service.installHandler(
        [self](std::optional<HotKeyID> pressedID) { self->pressed(pressedID); });
    if (!hotKey->eventHandlerRef_) {
        return nullptr;
    }
    hotKey->hotKeyRef_ = service.registerHotKey(combo, hotKey->hotKeyID_);
    if (!hotKey->hotKeyRef_) {
        hotKey->eventHandlerRef_.reset();
        return nullptr;
    }
    return hotKey;
}

GlobalHotKey::~GlobalHotKey() {
    // The registration goes before its receiver, so no press can arrive without one.
    hotKeyRef_.reset();
    eventHandlerRef_.reset();
}

void GlobalHotKey::pressed(std::optional<HotKeyID> id) {
    if (id && *id == hotKeyID_ && handler_) {
        handler_();
    }
}

} // namespace corvale
