#include "ui/settings/views/QtDialogs.h"

#include "ui/menubar/MenuTexts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>

namespace corvale {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Shown over everything and focused: an alert may come while another program is in front.
void bringForward(QWidget* dialog) {
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAttribute(Qt::WA_ShowWithoutActivating, false);
    dialog->raise();
    dialog->activateWindow();
}

// The texts of a dialog's labels as written: they name apps and files, which may look like markup.
void showPlain(QWidget& dialog) {
    for (auto* label : dialog.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
}

// The file name patterns of the media types wanted ("audio/*" is every audio type), sorted.
// The chooser compares names with them without regard to case.
QStringList mediaTypePatterns(const std::vector<std::string>& wanted) {
    QStringList patterns;
    for (const auto& type : QMimeDatabase().allMimeTypes()) {
        for (const auto& want : wanted) {
            const QString name = qs(want);
            const bool matches =
                name.endsWith("/*") ? type.name().startsWith(name.chopped(1)) : type.inherits(name);
            if (matches) {
                patterns += type.globPatterns();
                break;
            }
        }
    }
    patterns.removeDuplicates();
    patterns.sort();
    return patterns;
}

} // namespace

QtDialogs::QtDialogs(std::function<QWidget*()> parent) : parent_(std::move(parent)) {}

QWidget* QtDialogs::parentWidget() const {
    return parent_ ? parent_() : nullptr;
}

std::optional<std::size_t> QtDialogs::runModalAlert(const AlertSpec& alert) {
    QMessageBox box(parentWidget());
    box.setWindowTitle(qs(MenuTexts::productName));
    box.setIcon(alert.destructive ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(qs(alert.message));
    box.setInformativeText(qs(alert.text));
    box.setTextFormat(Qt::PlainText);
    // The explanation names apps and files too; the box has no setting for its format.
    showPlain(box);
    std::vector<std::string> titles = alert.buttons;
    if (titles.empty()) {
        titles.push_back(AlertSpec::ok);
    }
    std::vector<QAbstractButton*> buttons;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const auto role =
            i == 0 ? (alert.destructive ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole)
                   : QMessageBox::RejectRole;
        buttons.push_back(box.addButton(qs(titles[i]), role));
    }
    // Enter never confirms something that cannot be undone.
    box.setDefaultButton(
        static_cast<QPushButton*>(alert.destructive ? buttons.back() : buttons.front()));
    // Escape answers with the last button, which alerts reserve for backing out.
    box.setEscapeButton(buttons.back());
    bringForward(&box);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> QtDialogs::runPrompt(const PromptSpec& prompt) {
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(qs(prompt.message));
    dialog.setLabelText(prompt.text.empty() ? qs(prompt.message)
                                            : qs(prompt.message) + "\n\n" + qs(prompt.text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(qs(prompt.initialValue));
    if (!prompt.acceptButton.empty()) {
        dialog.setOkButtonText(qs(prompt.acceptButton));
    }
    if (!prompt.cancelButton.empty()) {
        dialog.setCancelButtonText(qs(prompt.cancelButton));
    }
    showPlain(dialog);
    bringForward(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

std::optional<std::filesystem::path> QtDialogs::runOpenPanel(const OpenPanelSpec& panel) {
    // Without a folder of its own, the chooser starts where people keep music, not in whatever
    // folder the program was started from.
    QString start = qs(panel.startFolder.string());
    if (start.isEmpty()) {
        start = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (start.isEmpty() || !QDir(start).exists()) {
            start = QDir::homePath();
        }
    }
    QFileDialog dialog(parentWidget(), qs(panel.title), start);
    dialog.setObjectName("openPanel");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!panel.prompt.empty()) {
        dialog.setLabelText(QFileDialog::Accept, qs(panel.prompt));
    }
    if (!panel.mediaTypes.empty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters({qs(OpenPanelSpec::supportedFiles) + " (" +
                                   mediaTypePatterns(panel.mediaTypes).join(' ') + ")",
                               qs(OpenPanelSpec::allFiles) + " (*)"});
    } else if (!panel.extensions.empty()) {
        QStringList patterns;
        for (const auto& extension : panel.extensions) {
            // Files from other systems often carry upper-case extensions.
            patterns << "*." + qs(extension).toLower() << "*." + qs(extension).toUpper();
        }
        dialog.setNameFilter(qs(OpenPanelSpec::supportedFiles) + " (" + patterns.join(' ') + ")");
    }
    // The chooser has no place for a message of its own: it goes under the file list.
    if (!panel.message.empty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* message = new QLabel(&dialog);
            message->setTextFormat(Qt::PlainText);
            message->setText(qs(panel.message));
            message->setObjectName("openPanelMessage");
            message->setWordWrap(true);
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    bringForward(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

void QtDialogs::beep() {
    QApplication::beep();
}

} // namespace corvale
