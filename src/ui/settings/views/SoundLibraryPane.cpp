#include "ui/settings/views/SoundLibraryPane.h"

#include "core/NotificationCenter.h"
#include "platform/Dialogs.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"

#include <QPushButton>

namespace corvale::settings {

namespace T = InfoPaneTexts;
using form::qs;

SoundLibraryPane::SoundLibraryPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("soundLibraryPane");
    soundChanges_ = context_.center.observe(notes::soundDidChange, [this] { reloadSoon(); });
}

void SoundLibraryPane::build() {
    if (const auto& note = context_.model.libraryNote(); !note.empty()) {
        auto* label = addNote(qs(note));
        label->setObjectName("libraryNote");
        label->setTextFormat(Qt::PlainText);
    }
    auto* card = addCard(T::mySounds);
    const auto& sounds = context_.model.customSounds();
    if (sounds.empty()) {
        card->addNote(T::soundsEmpty)->setObjectName("soundsEmpty");
        return;
    }
    for (const auto& entry : sounds) {
        // Each button keeps its own copy: the list may change under an open dialog.
        const CustomSound sound = entry;
        const QString id = qs(sound.id.str());
        auto* preview =
            makeButton(T::preview, [this, sound] { context_.model.previewSound(sound.fileURL); });
        preview->setObjectName("preview:" + id);
        auto* rename = makeButton(T::rename, [this, sound] { renameSound(sound); });
        rename->setObjectName("rename:" + id);
        auto* remove = makeButton(T::deleteSound, [this, sound] { deleteSound(sound); });
        remove->setObjectName("delete:" + id);
        for (auto* button : {preview, rename, remove}) {
            button->setAccessibleName(button->text() + " " + qs(sound.name));
        }
        card->addWidget(listRow("sound:" + id, nullptr, qs(sound.name),
                                qs(T::soundUsage(sound, context_.model.rules())),
                                {preview, rename, remove}));
    }
}

void SoundLibraryPane::renameSound(const CustomSound& sound) {
    if (auto name = context_.dialogs.runPrompt(T::renameSoundPrompt(sound))) {
        context_.model.renameCustomSound(sound.id, *name);
        reloadSoon();
    }
}

void SoundLibraryPane::deleteSound(const CustomSound& sound) {
    const auto question =
        T::deleteSoundAlert(sound, context_.model.rules(), context_.model.ownsSoundFile(sound));
    if (context_.dialogs.runModalAlert(question) == 0u) {
        context_.model.removeCustomSound(sound.id);
        reloadSoon();
    }
}

} // namespace corvale::settings
