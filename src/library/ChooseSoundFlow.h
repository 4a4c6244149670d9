#pragma once

#include "core/FileUrl.h"
#include "core/Log.h"
#include "core/Rule.h"
#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// The words of an open panel: its title, the message above the files and the button's text.
struct FilePanelText {
    std::string title;
    std::string message;
    std::string prompt;
};

// Importing a sound file for one application's rule (none: the default rule for all other apps):
// what the open panel says, and everything after the user picked a file. The dialogs are the
// caller's; this decides, copies and logs.
class ChooseSoundFlow {
public:
    struct Hooks {
        // Gives the application's rule the imported copy (the config model's setSound).
        std::function<void(const SoundRef& sound, const std::optional<std::string>& app)> setSound;
        // Lists the copy in "My Sounds" (the config model's addCustomSound).
        std::function<void(const std::string& name, const FileUrl& file)> addCustomSound;
        // A modal alert with one "OK" button.
        std::function<void(const std::string& message, const std::string& informative)> alert;
        // The copy's base name; a fresh UUID unless a test fixes it.
        std::function<std::string()> uniqueName;
    };

    static FilePanelText panelText(const std::optional<std::string>& app);

    ChooseSoundFlow(AudioDecoder& decoder, std::filesystem::path soundsFolder, LogFn log,
                    Hooks hooks);

    // Called when the panel closed; none means it was cancelled and nothing happens. True when the
    // sound was imported; false after the failure was logged and shown.
    bool fileChosen(const std::optional<std::filesystem::path>& chosen,
                    const std::optional<std::string>& app);

private:
    // Logs the failure; the alert shows the shown words when given, else the same error.
    void fail(const std::filesystem::path& chosen, const std::string& error,
              const std::optional<std::string>& shown = std::nullopt);
    // Why a file did not decode, in the user's words: the decoder's own stay in the log.
    static std::string notPlayable(const std::filesystem::path& chosen);

    AudioDecoder& decoder_;
    std::filesystem::path soundsFolder_;
    LogFn log_;
    Hooks hooks_;
};

} // namespace corvale
