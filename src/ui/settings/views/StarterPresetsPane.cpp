#include "ui/settings/views/StarterPresetsPane.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/MenuModel.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"

#include <QLabel>
#include <QPushButton>

namespace corvale::settings {

namespace T = InfoPaneTexts;
using form::qs;

StarterPresetsPane::StarterPresetsPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("starterPresetsPane");
}

void StarterPresetsPane::build() {
    addNote(T::presetsIntro);
    auto* card = addCard(T::popularApps);
    for (const auto& preset : StarterPresets::all()) {
        const QString name = qs(preset.appName);
        auto* tile = new form::ColorTile(form::toQColor(preset.color), name, 26);
        auto* preview = makeButton(T::preview, [this, preset] {
            context_.model.preview(SoundRef::builtin(preset.soundName), preset.volume);
        });
        preview->setObjectName("previewPreset:" + name);
        preview->setAccessibleName(QString(T::preview) + " " + qs(preset.soundName));
        QWidget* addOrAdded = nullptr;
        if (MenuModel::isPresetApplied(preset, context_.model.rules())) {
            auto* added = new QLabel(T::added);
            added->setObjectName("presetAdded:" + name);
            added->setMinimumWidth(preview->sizeHint().width());
            added->setAlignment(Qt::AlignCenter);
            addOrAdded = added;
        } else {
            auto* add = makeButton(T::add, [this, preset] { addPreset(preset); });
            add->setObjectName("addPreset:" + name);
            add->setAccessibleName(QString(T::add) + " " + name);
            addOrAdded = add;
        }
        card->addWidget(listRow("preset:" + name, tile, name, qs(T::presetPlays(preset.soundName)),
                                {preview, addOrAdded}));
    }
}

void StarterPresetsPane::addPreset(const AppPreset& preset) {
    context_.model.applyPreset(preset);
    reloadSoon();
    // The window's sidebar gains the app's row.
    if (context_.onPresetApplied) {
        context_.onPresetApplied();
    }
}

} // namespace corvale::settings
