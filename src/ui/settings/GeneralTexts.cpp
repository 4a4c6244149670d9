#include "ui/settings/GeneralTexts.h"

namespace corvale::GeneralTexts {

std::string accessStatus(bool granted) {
    return granted ? "Granted" : "Not granted";
}

std::string launchAtLoginTemporary(const std::string& program) {
    return "This copy of Corvale runs from a temporary folder (" + program +
           "), which may be gone when you next log in. Install Corvale to start it at login.";
}

const std::vector<int>& snoozeChoices() {
    static const std::vector<int> minutes{15, 30, 60, 120};
    return minutes;
}

} // namespace corvale::GeneralTexts
