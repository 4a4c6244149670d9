#include "ui/settings/GeneralTexts.h"

namespace corvale::GeneralTexts {

std::string accessStatus(bool granted) {
    return granted ? "Granted" : "Not granted";
}

const std::vector<int>& snoozeChoices() {
    static const std::vector<int> minutes{15, 30, 60, 120};
    return minutes;
}

} // namespace corvale::GeneralTexts
