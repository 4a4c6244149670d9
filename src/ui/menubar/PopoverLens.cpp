#include "ui/menubar/PopoverLens.h"

namespace corvale {

std::string_view rawValue(PopoverLens lens) {
    return lens == PopoverLens::alerts ? "alerts" : "sounds";
}

std::optional<PopoverLens> popoverLensFromRaw(std::string_view raw) {
    if (raw == "alerts") {
        return PopoverLens::alerts;
    }
    if (raw == "sounds") {
        return PopoverLens::sounds;
    }
    return std::nullopt;
}

PopoverLens initialPopoverLens(const std::optional<std::string>& stored, bool hasAlerts) {
    if (stored) {
        if (auto lens = popoverLensFromRaw(*stored)) {
            return *lens;
        }
    }
    return hasAlerts ? PopoverLens::alerts : PopoverLens::sounds;
}

} // namespace corvale
