#pragma once

#include "core/Rule.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

namespace corvale {
class ConfigModel;
class Dialogs;
} // namespace corvale

namespace corvale::settings {

class SoundPopUp;

// The sheet that adds or edits one content rule of an app: a condition (kind and keyword) and
// the sound it plays. Modal over the settings window; Escape cancels, Enter saves. Save refuses a
// blank keyword with the desktop's warning sound, and a pattern that does not compile with the
// reason under the field; either way the sheet stays open.
class RuleSheet : public QDialog {
public:
    // Called once the sheet closes with Save: the edited rule's id (none for a new rule), and
    // the condition (its operand trimmed), sound and volume chosen, and whether the app's own
    // sound comes first (then `sound` is the rule's sound before).
    using OnSave =
        std::function<void(const std::optional<Uuid>& editingId, const Condition& condition,
                           const SoundRef& sound, double volume, bool useAppSound)>;

    RuleSheet(ConfigModel& model, Dialogs& dialogs, std::string appName,
              std::optional<Rule> editing, OnSave onSave, QWidget* parent = nullptr);

    // What Save does; also the dialog's accept (Enter).
    void save();

private:
    void accept() override;

    ConfigModel& model_;
    Dialogs& dialogs_;
    std::optional<Uuid> editingId_;
    OnSave onSave_;
    QComboBox* kind_ = nullptr;
    QLineEdit* keyword_ = nullptr;
    QLabel* error_ = nullptr;
    SoundPopUp* sound_ = nullptr;
    // What plays when the app names no sound, while the app's own sound is chosen.
    SoundRef fallbackSound_;
    QComboBox* volume_ = nullptr;
};

} // namespace corvale::settings
