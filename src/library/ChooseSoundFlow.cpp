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

ChooseSoundFlow::ChooseSoundFlow(AudioDecoder& decoder, BackgroundTasks& background,
                                 Scheduler& scheduler, std::filesystem::path soundsFolder,
                                 LogFn log, Hooks hooks)
    : decoder_(decoder), background_(background), scheduler_(scheduler),
      soundsFolder_(std::move(soundsFolder)), log_(std::move(log)), hooks_(std::move(hooks)) {}

ChooseSoundFlow::~ChooseSoundFlow() = default;

void ChooseSoundFlow::fileChosen(const std::optional<std::filesystem::path>& chosen,
                                 const std::optional<std::string>& app,
                                 std::function<void(bool imported)> finished) {
    if (!chosen || chosen->empty()) {
        return;
    }
    // A named pipe or a device would hold the decoder, and the copy, until something is written.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*chosen, ec)) {
        fail(*chosen, "not a regular file");
        if (finished) {
            finished(false);
        }
        return;
    }
    const int request = ++lastRequest_;
    std::weak_ptr<bool> alive = alive_;
    const std::filesystem::path path = *chosen;
    // A file on a stalled network share or a huge one must not freeze the window; its answer
    // after the deadline is dropped.
    deadlines_[request] = scheduler_.after(openDeadline, [this, alive, request, path, finished] {
        if (alive.expired()) {
            return;
        }
        auto held = std::move(deadlines_[request]);
        deadlines_.erase(request);
        fail(path,
             "it didn't open within " + std::to_string(openDeadline.count() / 1000) + " seconds");
        if (finished) {
            finished(false);
        }
    });
    AudioDecoder* decoder = &decoder_;
    const std::string base = hooks_.uniqueName ? hooks_.uniqueName() : Uuid::random().str();
    runForResult(
        background_,
        [decoder, path, folder = soundsFolder_, base] {
            // The check only asks whether the file decodes; the opened stream is dropped at once.
            // The copy is made here too, so a large file never holds the window.
            auto opened = decoder->open(path.string());
            if (!opened.stream) {
                return Probe{std::nullopt, opened.error, {}};
            }
            Probe probe{opened.stream->duration(), {}, {}};
            opened.stream.reset();
            probe.copy = SoundImporter::importSound(path, folder, base);
            return probe;
        },
        [this, alive, request, path, app, finished](const Probe& probe) {
            const auto pending = alive.expired() ? deadlines_.end() : deadlines_.find(request);
            if (alive.expired() || pending == deadlines_.end()) {
                // Answered too late: the copy is no one's.
                if (probe.copy.file) {
                    std::error_code ignored;
                    std::filesystem::remove(*probe.copy.file, ignored);
                }
                return;
            }
            deadlines_.erase(pending);
            const bool imported = import(path, app, probe);
            if (finished) {
                finished(imported);
            }
        },
        Probe{std::nullopt, "the decoder stopped unexpectedly", {}});
}

bool ChooseSoundFlow::import(const std::filesystem::path& chosen,
                             const std::optional<std::string>& app, const Probe& probe) {
    if (!probe.seconds) {
        fail(chosen, "the file isn't playable audio: " + probe.error, notPlayable(chosen));
        return false;
    }
    const double seconds = *probe.seconds;
    const auto& imported = probe.copy;
    if (!imported.file) {
        fail(chosen, imported.error);
        return false;
    }
    const FileUrl copy = FileUrl::fromPath(imported.file->string());
    if (hooks_.setSound) {
        hooks_.setSound(SoundRef::file(copy), app);
    }
    if (hooks_.addCustomSound) {
        hooks_.addCustomSound(SoundImporter::nameWithoutExtension(chosen), copy);
    }
    if (log_) {
        log_("[sound] imported " + chosen.filename().string() + " \u2192 " +
             imported.file->filename().string() + " for " + app.value_or("All other apps"));
    }
    if (seconds > alertSoundSeconds && hooks_.alert) {
        hooks_.alert("This sound will be cut to 30 seconds",
                     chosen.filename().string() +
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
