#pragma once

#include "core/Log.h"
#include "ui/menubar/ConfigModel.h"

#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace corvale {

class AudioDecoder;
class AudioEngine;
class BackgroundTasks;
class ChooseSoundFlow;
class ClipEditorWindow;
class Dialogs;
class MediaTools;
class Scheduler;

// The two ways a rule gets a sound file of the user's own: a chosen file imported into the
// library, or a passage clipped from a song in the clip editor. The sound menus ask for them
// through the config model's choose-file and clip-from-song hooks, which lead here.
class SoundChoosers {
public:
    struct Services {
        ConfigModel& model;
        Dialogs& dialogs;
        // Tells whether a chosen file is playable audio, on the background tasks.
        AudioDecoder& decoder;
        // The clip editor's song lengths, waveforms and exports, run on the background tasks.
        MediaTools& media;
        BackgroundTasks& background;
        // The clip editor's preview.
        AudioEngine& engine;
        Scheduler& scheduler;
    };

    // Imported files and saved clips go into soundsFolder.
    SoundChoosers(Services services, std::filesystem::path soundsFolder, LogFn log);
    ~SoundChoosers();
    SoundChoosers(const SoundChoosers&) = delete;
    SoundChoosers& operator=(const SoundChoosers&) = delete;

    void presentChooseSound(const ConfigModel::App& app);
    void presentClipEditor(const ConfigModel::App& app);
    void closeClipEditor();
    // The open clip editor; none once it was closed.
    ClipEditorWindow* clipEditor() const;

    // The window the editor opens on as a sheet while that window is visible (the settings
    // window); without one the editor is a window of its own.
    std::function<QWidget*()> sheetHost;
    // The base name of each imported file and clip; a fresh UUID unless a test fixes it.
    std::function<std::string()> uniqueName;

private:
    Services services_;
    std::filesystem::path soundsFolder_;
    LogFn log_;
    std::unique_ptr<ChooseSoundFlow> chooseFlow_;
    QPointer<ClipEditorWindow> editor_;
};

} // namespace corvale
