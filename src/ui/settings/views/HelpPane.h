#pragma once

#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/HelpCatalog.h"
#include "ui/settings/views/SettingsContext.h"
#include "ui/settings/views/SettingsForm.h"

#include <QImage>

namespace corvale::settings {

// The glyph of a help symbol in black on transparent, `pixels` square; null for an unknown name.
// Our help glyphs first, then the tray's (a ".fill" name may use the tray's plain glyph).
QImage helpGlyph(const QString& symbol, int pixels);

// One topic of the tour: its symbol on a coloured tile, title, summary, body and caveat.
class HelpCardView : public form::Card {
public:
    HelpCardView(const HelpTopic& topic, bool showCaveat, QWidget* parent = nullptr);
};

// "Help": the tour of what Corvale does, one card per topic.
class HelpPane : public FormPane {
public:
    explicit HelpPane(SettingsContext& context, QWidget* parent = nullptr);

protected:
    void build() override;

private:
    ConfigModel& model_;
};

} // namespace corvale::settings
