#include "library/ClipFromSongFlow.h"

namespace corvale {

FilePanelText ClipFromSongFlow::panelText(const std::optional<std::string>& app) {
    return {"Choose a song to clip",
            "Pick an audio file you own. You'll trim a short piece for " +
                app.value_or("all other apps") +
                ". Copy-protected tracks (for example, a DRM-protected purchase) can't be "
                "clipped.",
            "Choose"};
}

ClipFromSongFlow::ClipFromSongFlow(LogFn log, Hooks hooks)
    : log_(std::move(log)), hooks_(std::move(hooks)) {}

void ClipFromSongFlow::clipSaved(const std::filesystem::path& clip, const std::string& name,
                                 const std::optional<std::string>& app) {
    const FileUrl file = FileUrl::fromPath(clip.string());
    if (hooks_.setSound) {
        hooks_.setSound(SoundRef::file(file), app);
    }
    if (hooks_.addCustomSound) {
        hooks_.addCustomSound(name, file);
    }
    if (log_) {
        log_("[clip] set " + app.value_or("All other apps") + " \u2192 " +
             clip.filename().string());
    }
    if (hooks_.closeEditor) {
        hooks_.closeEditor();
    }
}

} // namespace corvale
