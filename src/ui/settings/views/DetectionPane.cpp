#include "ui/settings/views/DetectionPane.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/InfoPaneParts.h"

namespace corvale::settings {

namespace T = InfoPaneTexts;

DetectionPane::DetectionPane(SettingsContext& context, QWidget* parent)
    : FormPane(parent), context_(context) {
    setObjectName("detectionPane");
}

void DetectionPane::build() {
    auto* detection = addCard(T::appDetection);
    detection->addWidget(bodyText(T::detectionIntro));
    addSteps(*detection, T::detectionSteps());
    detection->row(T::notifications, notificationSettingsButton(context_.model),
                   T::allowNotificationsNote);

    addAppList(*addCard(T::notDetectedYet), context_.model, context_.model.unconfirmedApps(),
               "undetected", T::allDetected);
}

} // namespace corvale::settings
