#pragma once

#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

namespace corvale::settings {

// "Fix Double-Sound": why an app may sound twice, where to turn its own sound off, and the apps
// that still would.
class FixDoubleSoundPane : public FormPane {
public:
    explicit FixDoubleSoundPane(SettingsContext& context, QWidget* parent = nullptr);

protected:
    void build() override;

private:
    SettingsContext& context_;
};

} // namespace corvale::settings
