#include "platform/LoginItem.h"

namespace corvale {

LoginItem::Decision LoginItem::setEnabled(bool on, LoginItemService& service,
                                          const LogFn& systemLog) {
    using Action = Decision::Action;
    auto status = service.status();
    if (!on) {
        if (status != LoginItemStatus::enabled) {
            return {Action::none};
        }
        // The switch reads the state back, so a failed unregister still counts as done here.
        if (auto error = service.unregisterItem()) {
            systemLog("Corvale launchAtLogin(off) failed: " + *error);
        }
        return {Action::unregistered};
    }
    if (status == LoginItemStatus::enabled) {
        return {Action::none};
    }
    if (status == LoginItemStatus::requiresApproval) {
        service.openLoginItemsSettings();
        return {Action::openedSettings};
    }
    if (auto error = service.registerItem()) {
        systemLog("Corvale launchAtLogin(on) failed: " + *error);
        return {Action::none};
    }
    return {Action::registered};
}

} // namespace corvale
