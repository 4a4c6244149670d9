#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// A modal alert: a message, an explanatory text and its buttons, the first being the default.
struct AlertSpec {
    std::string message;
    std::string text;
    std::vector<std::string> buttons;
};

// The modal dialogs the logic needs, shown by the view layer.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Brings the program forward, shows the alert and waits for it: the index of the chosen
    // button, or none when no alert could be shown.
    virtual std::optional<std::size_t> runModalAlert(const AlertSpec& alert) = 0;
};

} // namespace corvale
