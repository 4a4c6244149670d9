#pragma once

#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

namespace corvale::settings {

// "App Detection": why a sound may never play, and the apps Corvale has not heard from yet.
class DetectionPane : public FormPane {
public:
    explicit DetectionPane(SettingsContext& context, QWidget* parent = nullptr);

protected:
    void build() override;

private:
    SettingsContext& context_;
};

} // namespace corvale::settings
