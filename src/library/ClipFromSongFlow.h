#pragma once

#include "core/FileUrl.h"
#include "core/Log.h"
#include "core/Rule.h"
#include "library/ChooseSoundFlow.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace corvale {

// Clipping a song for one application's rule (none: the default rule for all other apps): what
// the open panel and the editor's window say, and what happens once the clip is saved. The
// dialogs and the editor's window are the caller's.
class ClipFromSongFlow {
public:
    struct Hooks {
        std::function<void(const SoundRef& sound, const std::optional<std::string>& app)> setSound;
        std::function<void(const std::string& name, const FileUrl& file)> addCustomSound;
        std::function<void()> closeEditor;
    };

    static constexpr const char* windowTitle = "Clip a sound";
    static FilePanelText panelText(const std::optional<std::string>& app);

    ClipFromSongFlow(LogFn log, Hooks hooks);

    // The editor's onSaved: the clip becomes the rule's sound and joins the library.
    void clipSaved(const std::filesystem::path& clip, const std::string& name,
                   const std::optional<std::string>& app);

private:
    LogFn log_;
    Hooks hooks_;
};

} // namespace corvale
