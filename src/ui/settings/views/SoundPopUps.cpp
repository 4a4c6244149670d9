#include "ui/settings/views/SoundPopUps.h"

#include "ui/menubar/views/FormHelpers.h"

namespace corvale::settings {

SoundPopUp::SoundPopUp(SoundChoices::Menu menu, QWidget* parent)
    : QComboBox(parent), menu_(std::move(menu)) {
    setObjectName("soundPopUp");
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (std::size_t i = 0; i < menu_.items.size(); ++i) {
        const auto& item = menu_.items[i];
        if (item.startsGroup && count() > 0) {
            insertSeparator(count());
        }
        addItem(form::qs(form::shortName(item.title)), static_cast<int>(i));
        setItemData(count() - 1, form::plainTip(form::qs(item.title)), Qt::ToolTipRole);
        if (i == menu_.selected) {
            shown_ = count() - 1;
        }
    }
    setCurrentIndex(shown_);
    showWholeName();
    connect(this, &QComboBox::activated, this, [this](int index) { activate(index); });
}

const SoundChoices::Item* SoundPopUp::itemAt(int index) const {
    bool ok = false;
    const int at = itemData(index).toInt(&ok);
    if (!ok || at < 0 || static_cast<std::size_t>(at) >= menu_.items.size()) {
        return nullptr;
    }
    return &menu_.items[static_cast<std::size_t>(at)];
}

std::optional<SoundRef> SoundPopUp::currentSound() const {
    const auto* item = itemAt(currentIndex());
    return item ? item->sound : std::nullopt;
}

bool SoundPopUp::appSoundShown() const {
    const auto* item = itemAt(currentIndex());
    return item && item->kind == SoundChoices::Item::Kind::appSound;
}

void SoundPopUp::activate(int index) {
    const auto* item = itemAt(index);
    if (!item) {
        return;
    }
    const bool choice = item->kind == SoundChoices::Item::Kind::sound ||
                        item->kind == SoundChoices::Item::Kind::appSound;
    if (!choice) {
        setCurrentIndex(shown_);
        if (onAction) {
            onAction(item->kind);
        }
        return;
    }
    if (index == shown_) {
        return;
    }
    shown_ = index;
    showWholeName();
    if (item->kind == SoundChoices::Item::Kind::appSound) {
        if (onAppSound) {
            onAppSound();
        }
    } else if (onSound && item->sound) {
        onSound(*item->sound);
    }
}

void SoundPopUp::showWholeName() {
    setToolTip(itemData(currentIndex(), Qt::ToolTipRole).toString());
}

QComboBox* makeVolumePopUp(double volume, QWidget* parent) {
    auto* popUp = new QComboBox(parent);
    popUp->setObjectName("volumePopUp");
    for (const auto& choice : SoundChoices::volumeChoices()) {
        popUp->addItem(form::qs(choice.title), choice.value);
    }
    popUp->setCurrentIndex(static_cast<int>(SoundChoices::nearestVolumeIndex(volume)));
    return popUp;
}

double volumeOf(const QComboBox* popUp) {
    return popUp->currentData().toDouble();
}

} // namespace corvale::settings
