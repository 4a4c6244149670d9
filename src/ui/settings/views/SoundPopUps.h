#pragma once

#include "core/Rule.h"
#include "ui/settings/SoundChoices.h"

#include <QComboBox>
#include <functional>
#include <optional>

namespace corvale::settings {

// The sound pop-up of the app editor and the rule sheet, filled from the sound choices. Choosing
// a sound, or the app's own sound, reports it; choosing one of the actions reports the action, and
// the pop-up goes back to showing the current sound (the action itself decides what the sound
// becomes).
class SoundPopUp : public QComboBox {
public:
    explicit SoundPopUp(SoundChoices::Menu menu, QWidget* parent = nullptr);

    // None while the app's own sound is shown.
    std::optional<SoundRef> currentSound() const;
    bool appSoundShown() const;

    std::function<void(const SoundRef&)> onSound;
    std::function<void()> onAppSound;
    std::function<void(SoundChoices::Item::Kind)> onAction;

private:
    void activate(int index);
    // The pop-up shows names cut short; its tooltip has the whole name of the current sound.
    void showWholeName();
    const SoundChoices::Item* itemAt(int index) const;

    SoundChoices::Menu menu_;
    int shown_ = 0;
};

// The volume pop-up (25 % … 200 %) showing the choice nearest to `volume`; the item data is the
// choice's volume.
QComboBox* makeVolumePopUp(double volume, QWidget* parent = nullptr);
double volumeOf(const QComboBox* popUp);

} // namespace corvale::settings
