#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// A modal alert: a message, an explanatory text and its buttons, the first being the default.
struct AlertSpec {
    // The one button of an alert that only informs.
    static constexpr const char* ok = "OK";

    std::string message;
    std::string text;
    std::vector<std::string> buttons;
    // Marks the first button as one that destroys something (drawn as such where the desktop can).
    bool destructive = false;
};

// A modal question with one line of text to type: the message, the explanation, the text the field
// starts with and the buttons that accept and cancel.
struct PromptSpec {
    std::string message;
    std::string text;
    std::string initialValue;
    std::string acceptButton;
    std::string cancelButton;
};

// A file chooser for one existing file.
struct OpenPanelSpec {
    // What the filter of the offered extensions or media types is called.
    static constexpr const char* supportedFiles = "Supported files";
    // What the filter that shows every file is called.
    static constexpr const char* allFiles = "All files";

    std::string title;
    std::string message;
    std::string prompt;
    // File name extensions offered (without the dot); empty offers every file.
    std::vector<std::string> extensions;
    std::filesystem::path startFolder;
    // Media types offered instead, such as "audio/*" for every audio type, known by the file's
    // name in any case; with them the user may also show every file.
    std::vector<std::string> mediaTypes;
};

// The modal dialogs the logic and the views need, shown by the view layer.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Brings the program forward, shows the alert and waits for it: the index of the chosen
    // button, or none when no alert could be shown.
    virtual std::optional<std::size_t> runModalAlert(const AlertSpec& alert) = 0;
    // The text accepted, or none when cancelled.
    virtual std::optional<std::string> runPrompt(const PromptSpec& prompt) = 0;
    // The chosen file, or none when cancelled.
    virtual std::optional<std::filesystem::path> runOpenPanel(const OpenPanelSpec& panel) = 0;
    // The desktop's short warning sound, for input that is refused.
    virtual void beep() = 0;
};

} // namespace corvale
