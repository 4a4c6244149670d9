#include "ui/settings/views/RuleSheet.h"

#include "platform/Dialogs.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/AppEditorTexts.h"
#include "ui/settings/RuleSheetModel.h"
#include "ui/settings/SoundChoices.h"
#include "ui/settings/views/SettingsForm.h"
#include "ui/settings/views/SoundPopUps.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvale::settings {

using namespace AppEditorTexts;

RuleSheet::RuleSheet(ConfigModel& model, Dialogs& dialogs, std::string appName,
                     std::optional<Rule> editing, OnSave onSave, QWidget* parent)
    : QDialog(parent), model_(model), dialogs_(dialogs), onSave_(std::move(onSave)) {
    setObjectName("ruleSheet");
    setModal(true);
    const std::string shownName = form::shortName(appName);
    setWindowTitle(form::qs(sheetTitle(shownName, editing.has_value())));
    if (editing) {
        editingId_ = editing->id;
    }
    const auto values = RuleSheetModel::initialValues(editing, appName, model.rules());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 16, 20, 16);
    outer->setSpacing(12);
    auto* heading = form::heading(form::qs(sheetTitle(shownName, editing.has_value())), this);
    if (shownName != appName) {
        heading->setToolTip(form::plainTip(form::qs(appName)));
    }
    outer->addWidget(heading);

    auto* condition = new SettingsCard(conditionCard, this);
    kind_ = new QComboBox(condition);
    kind_->setObjectName("conditionKind");
    for (const auto& choice : RuleSheetModel::kindChoices()) {
        kind_->addItem(form::qs(choice.title), static_cast<int>(choice.kind));
    }
    kind_->setCurrentIndex(static_cast<int>(RuleSheetModel::kindIndex(values.kind)));
    condition->row(matchLabel, kind_);

    keyword_ = new QLineEdit(form::qs(values.operand), condition);
    keyword_->setObjectName("keyword");
    keyword_->setPlaceholderText(keywordPlaceholder);
    keyword_->setMinimumWidth(300);
    // A rule stored longer (written into the rules file by hand) is not cut by opening it.
    auto capOperand = [this, stored = keyword_->text().size()] {
        const auto kind = static_cast<ConditionKind>(kind_->currentData().toInt());
        keyword_->setMaxLength(
            std::max(static_cast<int>(stored), RuleSheetModel::maxOperandLength(kind)));
    };
    capOperand();
    connect(kind_, &QComboBox::activated, keyword_, capOperand);
    condition->row(keywordLabel, keyword_);
    error_ = new QLabel(condition);
    error_->setObjectName("keywordError");
    // One line: a wrapped label in a dialog sized before it appeared would be cut off.
    error_->setWordWrap(false);
    error_->setTextFormat(Qt::PlainText);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette warning = error_->palette();
    warning.setColor(QPalette::WindowText, QColor(0xD3, 0x2F, 0x2F));
    error_->setPalette(warning);
    // Under the field, in the controls' column.
    condition->row(QString(), error_);
    error_->hide();
    condition->addNote(form::qs(sheetConditionNote(shownName)));
    outer->addWidget(condition);

    auto* soundCardWidget = new SettingsCard(AppEditorTexts::soundCard, this);
    sound_ = new SoundPopUp(SoundChoices::soundMenu(model.soundNames(), model.customSounds(),
                                                    values.sound, false, values.useAppSound),
                            soundCardWidget);
    fallbackSound_ = values.sound;
    soundCardWidget->row(AppEditorTexts::soundLabel, sound_);
    volume_ = makeVolumePopUp(values.volume, soundCardWidget);
    soundCardWidget->row(volumeLabel, volume_);
    outer->addWidget(soundCardWidget);
    outer->addStretch(1);

    auto* buttons = new QHBoxLayout;
    auto* testButton = makeButton(
        AppEditorTexts::test,
        [this] {
            if (auto sound = sound_->appSoundShown() ? fallbackSound_ : sound_->currentSound()) {
                model_.preview(*sound, volumeOf(volume_));
            }
        },
        this);
    testButton->setObjectName("testRule");
    buttons->addWidget(testButton);
    buttons->addStretch(1);
    auto* cancelButton = makeButton(
        cancel, [this] { reject(); }, this);
    cancelButton->setObjectName("cancelRule");
    buttons->addWidget(cancelButton);
    auto* saveButton = new QPushButton(AppEditorTexts::save, this);
    saveButton->setObjectName("saveRule");
    saveButton->setDefault(true);
    connect(saveButton, &QPushButton::clicked, this, [this] { this->save(); });
    buttons->addWidget(saveButton);
    outer->addLayout(buttons);

    // A reason shown for the old text would be wrong for the new one.
    connect(keyword_, &QLineEdit::textEdited, error_, &QWidget::hide);
    connect(kind_, &QComboBox::activated, error_, &QWidget::hide);
    keyword_->setFocus();
    form::fitToScreen(*this);
}

void RuleSheet::accept() {
    save();
}

void RuleSheet::save() {
    const auto kind = static_cast<ConditionKind>(kind_->currentData().toInt());
    const auto verdict = RuleSheetModel::check(kind, keyword_->text().toStdString());
    if (verdict.beep) {
        error_->hide();
        dialogs_.beep();
        keyword_->setFocus();
        return;
    }
    if (!verdict.condition) {
        error_->setText(form::qs(verdict.error));
        error_->show();
        keyword_->setFocus();
        return;
    }
    const bool appSound = sound_->appSoundShown();
    const auto sound =
        appSound ? fallbackSound_ : sound_->currentSound().value_or(SoundRef::defaultTone());
    const double volume = volumeOf(volume_);
    QDialog::accept();
    if (onSave_) {
        onSave_(editingId_, *verdict.condition, sound, volume, appSound);
    }
}

} // namespace corvale::settings
