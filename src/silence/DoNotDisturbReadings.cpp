#include "silence/DoNotDisturbReadings.h"

namespace corvale {

std::optional<bool> DoNotDisturbReadings::state() const {
    if (!serverInhibited.value && !dunstPaused.value && !xfceDoNotDisturb.value &&
        !gnomeShowBanners.value) {
        return std::nullopt;
    }
    return serverInhibited.value.value_or(false) || dunstPaused.value.value_or(false) ||
           xfceDoNotDisturb.value.value_or(false) || !gnomeShowBanners.value.value_or(true);
}

bool DoNotDisturbReadings::allSettled() const {
    return serverInhibited.settled && dunstPaused.settled && xfceDoNotDisturb.settled &&
           gnomeShowBanners.settled;
}

std::optional<DoNotDisturbReport>
DoNotDisturbReadings::nextReport(bool stillWaiting, std::optional<bool> lastReported) const {
    const bool on = state().value_or(false);
    if (!lastReported) {
        if (stillWaiting && !allSettled()) {
            return std::nullopt;
        }
        return DoNotDisturbReport{on, true};
    }
    if (on == *lastReported) {
        return std::nullopt;
    }
    return DoNotDisturbReport{on, false};
}

} // namespace corvale
