#pragma once

#include "ui/settings/AddAppCandidates.h"

#include <QDialog>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace corvale {
class ConfigModel;
class Workspace;
} // namespace corvale

namespace corvale::settings {

// Lets the user pick the app to add: the apps seen sending notifications first (under the names
// rules match), then the installed applications, or any name typed into the filter field.
class AddAppChooser : public QDialog {
public:
    AddAppChooser(std::vector<std::string> seen,
                  std::vector<AddAppCandidates::InstalledApp> installed,
                  std::vector<std::string> configured, QWidget* parent = nullptr);

    // The name of the chosen row; none when nothing is chosen.
    std::optional<std::string> chosenName() const;

private:
    // Lists every candidate once; the filter then only hides and shows rows, so typing costs no
    // new rows (their icons are read from files).
    void fill();
    void applyFilter();

    std::vector<std::string> seen_;
    std::vector<AddAppCandidates::InstalledApp> installed_;
    std::vector<std::string> configured_;
    QLineEdit* filter_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
    // The row of each listed name, and of each heading by its title.
    std::map<std::pair<AddAppCandidates::Row::Kind, std::string>, QListWidgetItem*> rows_;
    QListWidgetItem* typed_ = nullptr;
};

// The add-app panel: the chooser over the model's seen and observed apps and the workspace's
// installed applications, run modally. The chosen name goes to ConfigModel::addApp, whose result
// is returned; none when cancelled.
std::optional<std::string> presentAddApp(ConfigModel& model, Workspace& workspace,
                                         QWidget* parent = nullptr);

} // namespace corvale::settings
