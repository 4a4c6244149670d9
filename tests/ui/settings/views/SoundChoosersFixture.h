#pragma once

#include "ui/settings/views/ClipEditorWindow.h"
#include "ui/settings/views/SoundChoosers.h"

#include "support/FakeAudio.h"
#include "support/FakeMediaTools.h"
#include "support/GuiApp.h"
#include "support/ModelStores.h"
#include "support/ScriptedDialogs.h"

#include <memory>
#include <optional>
#include <string>

namespace corvale::test {

// The sound choosers over the config model and its stores, with scripted dialogs and fake media:
// what the sound menus reach in the program.
struct SoundChoosersFixture : ModelStores {
    ScriptedDialogs dialogs;
    FakeAudioDecoder decoder;
    FakeMediaTools media;
    ManualBackgroundTasks background;
    FakeAudioEngine engine;
    std::unique_ptr<SoundChoosers> choosers;
    std::filesystem::path soundsFolder = dir / "Sounds";
    int names = 0;

    explicit SoundChoosersFixture(BackgroundTasks* tasks = nullptr) {
        guiApp();
        choosers = std::make_unique<SoundChoosers>(
            SoundChoosers::Services{*model, dialogs, decoder, media, tasks ? *tasks : background,
                                    engine, scheduler},
            soundsFolder, log.fn());
        choosers->uniqueName = [this] { return "CLIP-" + std::to_string(++names); };
        model->onChooseFile = [this](const ConfigModel::App& app) {
            choosers->presentChooseSound(app);
        };
        model->onClipFromSong = [this](const ConfigModel::App& app) {
            choosers->presentClipEditor(app);
        };
    }
    ~SoundChoosersFixture() {
        choosers.reset();
        // Dismissed editors are deleted by the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The sound of the app's base rule (none: the default rule) as the rules file holds it.
    std::optional<SoundRef> soundOnDisk(const std::optional<std::string>& app) const {
        RuleStore reread(dir / "rules.json", [](const std::string&) {});
        reread.load();
        for (const auto& rule : reread.rules()) {
            if (!rule.condition && (app ? rule.appDisplayName == *app : rule.isDefault())) {
                return rule.sound;
            }
        }
        return std::nullopt;
    }
};

} // namespace corvale::test
