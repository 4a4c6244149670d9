#pragma once

#include "core/FileUrl.h"
#include "core/Log.h"
#include "core/Rule.h"
#include "core/Scheduler.h"
#include "library/BackgroundTasks.h"
#include "library/SoundImporter.h"
#include "signals/AudioDecoder.h"
#include "signals/AudioEngine.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
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
// caller's; this decides, copies and logs. The file is read on the background tasks, never on the
// main thread, and a file that does not open within openDeadline is refused.
class ChooseSoundFlow {
public:
    static constexpr Millis openDeadline{10'000};

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

    // The decoder is used on the background tasks; it must outlive any work they run.
    ChooseSoundFlow(AudioDecoder& decoder, BackgroundTasks& background, Scheduler& scheduler,
                    std::filesystem::path soundsFolder, LogFn log, Hooks hooks);
    ~ChooseSoundFlow();
    ChooseSoundFlow(const ChooseSoundFlow&) = delete;
    ChooseSoundFlow& operator=(const ChooseSoundFlow&) = delete;

    // Called when the panel closed; none means it was cancelled and nothing happens. finished
    // hears true once the sound was imported, false after the failure was logged and shown, and
    // nothing after a cancelled panel or when this flow goes first.
    void fileChosen(const std::optional<std::filesystem::path>& chosen,
                    const std::optional<std::string>& app,
                    std::function<void(bool imported)> finished = {});

private:
    // What reading the file found: its length, or why it is no playable audio.
    struct Probe {
        std::optional<double> seconds;
        std::string error;
        // The file copied into the library, or why not; made only when it decodes.
        SoundImporter::Result copy;
    };
    bool import(const std::filesystem::path& chosen, const std::optional<std::string>& app,
                const Probe& probe);
    // Logs the failure; the alert shows the shown words when given, else the same error.
    void fail(const std::filesystem::path& chosen, const std::string& error,
              const std::optional<std::string>& shown = std::nullopt);
    // Why a file did not decode, in the user's words: the decoder's own stay in the log.
    static std::string notPlayable(const std::filesystem::path& chosen);

    AudioDecoder& decoder_;
    BackgroundTasks& background_;
    Scheduler& scheduler_;
    std::filesystem::path soundsFolder_;
    LogFn log_;
    Hooks hooks_;
    // The deadline of each file still being read, by request; a request that is gone timed out.
    std::map<int, Subscription> deadlines_;
    int lastRequest_ = 0;
    // Answers from the background check whether this flow is still there.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvale
