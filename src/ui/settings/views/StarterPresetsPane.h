#pragma once

#include "store/StarterPresets.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

namespace corvale::settings {

// "Popular apps": each starter preset with its colour, its sound, Preview and Add.
class StarterPresetsPane : public FormPane {
public:
    explicit StarterPresetsPane(SettingsContext& context, QWidget* parent = nullptr);

    void addPreset(const AppPreset& preset);

protected:
    void build() override;

private:
    SettingsContext& context_;
};

} // namespace corvale::settings
