#include "library/ChooseSoundFlow.h"

#include "core/Text.h"
#include "core/Uuid.h"
#include "library/SoundImporter.h"

namespace corvale {

FilePanelText ChooseSoundFlow::panelText(const std::optional<std::string>& app) {
    return {"Choose a sound file",
            "Pick an audio file for " + isolated(app.value_or("all other apps")) +
                ". Corvale copies it so it keeps working if you move the original.",
            "Choose"};
}

ChooseSoundFlow::ChooseSoundFlow(AudioDecoder& decoder, std::filesystem::path soundsFolder,
                                 LogFn log, Hooks hooks)
    : decoder_(decoder), soundsFolder_(std::move(soundsFolder)), log_(std::move(log)),
      hooks_(std::move(hooks)) {}

bool ChooseSoundFlow::fileChosen(const std::optional<std::filesystem::path>& chosen,
                                 const std::optional<std::string>& app) {
    if (!chosen || chosen->empty()) {
        return false;
    }
    // A named pipe or a device would hold the decoder, and the copy, until something is written.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*chosen, ec)) {
        fail(*chosen, "not a regular file");
        return false;
    }
    // The check only asks whether the file decodes; the opened stream is dropped at once.
    auto opened = decoder_.open(chosen->string());
    if (!opened.stream) {
        fail(*chosen, "the file isn't playable audio: " + opened.error, notPlayable(*chosen));
        return false;
    }
    const double seconds = opened.stream->duration();
    opened.stream.reset();
    const std::string base = hooks_.uniqueName ? hooks_.uniqueName() : Uuid::random().str();
    auto imported = SoundImporter::importSound(*chosen, soundsFolder_, base);
    if (!imported.file) {
        fail(*chosen, imported.error);
        return false;
    }
    const FileUrl copy = FileUrl::fromPath(imported.file->string());
    if (hooks_.setSound) {
        hooks_.setSound(SoundRef::file(copy), app);
    }
    if (hooks_.addCustomSound) {
        hooks_.addCustomSound(SoundImporter::nameWithoutExtension(*chosen), copy);
    }
    if (log_) {
        log_("[sound] imported " + chosen->filename().string() + " \u2192 " +
             imported.file->filename().string() + " for " + app.value_or("All other apps"));
    }
    if (seconds > alertSoundSeconds && hooks_.alert) {
        hooks_.alert("This sound will be cut to 30 seconds",
                     chosen->filename().string() +
                         " is longer than 30 seconds; alerts play only its first 30 seconds. To "
                         "use another part of it, choose \u201cClip from a song\u2026\u201d.");
    }
    return true;
}

std::string ChooseSoundFlow::notPlayable(const std::filesystem::path& chosen) {
    switch (SoundImporter::troubleReading(chosen)) {
    case SoundImporter::FileTrouble::missing:
        return "the file is no longer there";
    case SoundImporter::FileTrouble::unreadable:
        return "the file can't be read";
    case SoundImporter::FileTrouble::empty:
        return "the file is empty";
    case SoundImporter::FileTrouble::none:
        break;
    }
    return "the file isn't playable audio";
}

void ChooseSoundFlow::fail(const std::filesystem::path& chosen, const std::string& error,
                           const std::optional<std::string>& shown) {
    if (log_) {
        log_("[sound] import failed for " + chosen.string() + ": " + error);
    }
    if (hooks_.alert) {
        hooks_.alert("Couldn't use that sound",
                     chosen.filename().string() +
                         " couldn't be imported: " + shown.value_or(error));
    }
}

} // namespace corvale
