#pragma once

#include "core/Subscription.h"
#include "library/CustomSound.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

namespace corvale::settings {

// "My Sounds": every saved sound with Preview, Rename and Delete.
class SoundLibraryPane : public FormPane {
public:
    explicit SoundLibraryPane(SettingsContext& context, QWidget* parent = nullptr);

    void renameSound(const CustomSound& sound);
    void deleteSound(const CustomSound& sound);

protected:
    void build() override;

private:
    SettingsContext& context_;
    // Imports and clips made elsewhere while the pane is open show up at once.
    Subscription soundChanges_;
};

} // namespace corvale::settings
