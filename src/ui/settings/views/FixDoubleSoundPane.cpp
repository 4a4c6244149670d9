#include "ui/settings/views/FixDoubleSoundPane.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"

namespace corvale::settings {

namespace T = InfoPaneTexts;

FixDoubleSoundPane::FixDoubleSoundPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("fixDoubleSoundPane");
}

void FixDoubleSoundPane::build() {
    auto* fix = addCard(T::fixDoubleSound);
    fix->addWidget(bodyText(T::fixDoubleSoundIntro));
    addSteps(*fix, T::fixDoubleSoundSteps());

    addCard(T::desktopSettings)
        ->row(T::notifications, notificationSettingsButton(context_.model), T::soundSwitchNote);

    addCard(T::appNotListed)->addWidget(bodyText(T::appNotListedText));

    addAppList(*addCard(T::stillDoublePlay), context_.model, context_.model.appsNeedingNativeMute(),
               "doublePlay", T::noDoublePlay);

    const auto ownSound = context_.model.appsPlayingTheirOwnSound();
    if (!ownSound.empty()) {
        auto* card = addCard(T::playsOwnSound);
        for (const auto& app : ownSound) {
            card->addNote(form::qs(T::playsOwnSoundNote(form::shortName(app))))
                ->setObjectName("ownSound:" + form::qs(app));
        }
    }
}

} // namespace corvale::settings
