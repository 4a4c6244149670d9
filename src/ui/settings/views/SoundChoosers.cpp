#include "ui/settings/views/SoundChoosers.h"

#include "core/Uuid.h"
#include "library/ChooseSoundFlow.h"
#include "library/ClipEditorModel.h"
#include "library/ClipFromSongFlow.h"
#include "platform/Dialogs.h"
#include "signals/SoundLibrary.h"
#include "ui/settings/views/ClipEditorWindow.h"

#include <QWidget>

namespace corvale {

namespace {

// Any file the decoder might play, not only the built-in folders' extensions: FLAC, Opus or a
// name in mixed case are audio too.
OpenPanelSpec audioPanel(const FilePanelText& text) {
    return {text.title, text.message, text.prompt, {}, {}, {"audio/*"}};
}

} // namespace

SoundChoosers::SoundChoosers(Services services, std::filesystem::path soundsFolder, LogFn log)
    : services_(services), soundsFolder_(std::move(soundsFolder)), log_(std::move(log)) {
    ConfigModel& model = services_.model;
    Dialogs& dialogs = services_.dialogs;
    chooseFlow_ = std::make_unique<ChooseSoundFlow>(
        services_.decoder, services_.background, services_.scheduler, soundsFolder_, log_,
        ChooseSoundFlow::Hooks{
            [&model](const SoundRef& sound, const ConfigModel::App& forApp) {
                model.setSound(sound, forApp);
            },
            [&model](const std::string& name, const FileUrl& file) {
                model.addCustomSound(name, file);
            },
            [&dialogs](const std::string& message, const std::string& informative) {
                dialogs.runModalAlert({message, informative, {AlertSpec::ok}});
            },
            [this] { return uniqueName ? uniqueName() : Uuid::random().str(); }});
}

SoundChoosers::~SoundChoosers() {
    // The editor's model calls back into this object; it goes first.
    delete editor_.data();
}

void SoundChoosers::presentChooseSound(const ConfigModel::App& app) {
    const auto chosen = services_.dialogs.runOpenPanel(audioPanel(ChooseSoundFlow::panelText(app)));
    chooseFlow_->fileChosen(chosen, app);
}

void SoundChoosers::presentClipEditor(const ConfigModel::App& app) {
    const auto chosen =
        services_.dialogs.runOpenPanel(audioPanel(ClipFromSongFlow::panelText(app)));
    if (!chosen || chosen->empty()) {
        return;
    }
    // One editor at a time: a new song replaces the one being clipped.
    closeClipEditor();

    auto model = std::make_unique<ClipEditorModel>(
        chosen->string(), log_,
        ClipEditorModel::Services{services_.media, services_.background, services_.engine,
                                  services_.scheduler});
    ConfigModel& config = services_.model;
    auto flow = std::make_shared<ClipFromSongFlow>(
        log_,
        ClipFromSongFlow::Hooks{[&config](const SoundRef& sound, const ConfigModel::App& forApp) {
                                    config.setSound(sound, forApp);
                                },
                                [&config](const std::string& name, const FileUrl& file) {
                                    config.addCustomSound(name, file);
                                },
                                [this] { closeClipEditor(); }});
    model->onSaved = [flow, app](const std::filesystem::path& clip, const std::string& name) {
        flow->clipSaved(clip, name, app);
    };
    model->onCancel = [this] { closeClipEditor(); };

    QWidget* host = sheetHost ? sheetHost() : nullptr;
    if (host && !host->isVisible()) {
        host = nullptr;
    }
    auto* editor = new ClipEditorWindow(std::move(model),
                                        {services_.dialogs, soundsFolder_, uniqueName}, host);
    if (host) {
        // As a sheet: it keeps the settings window's focus until the clip is saved or cancelled.
        editor->setWindowModality(Qt::WindowModal);
    }
    editor_ = editor;
    editor->show();
    editor->raise();
    editor->activateWindow();
}

ClipEditorWindow* SoundChoosers::clipEditor() const {
    return editor_.data();
}

void SoundChoosers::closeClipEditor() {
    if (editor_) {
        editor_->dismiss();
        editor_ = nullptr;
    }
}

} // namespace corvale
