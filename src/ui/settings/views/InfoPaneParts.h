#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <string>
#include <vector>

namespace corvale {
class ConfigModel;
}

namespace corvale::settings {

class SettingsCard;

// Pieces the information panes share beyond the cards themselves.

// Body text in the window's own colour, wrapping across the card.
QLabel* bodyText(const QString& text, QWidget* parent = nullptr);
// Numbered steps ("1. …") as body text, one per line, into a card.
void addSteps(SettingsCard& card, const std::vector<std::string>& steps);
// Widgets side by side, kept at their natural width and pushed to the left.
QWidget* inlineRow(std::initializer_list<QWidget*> widgets, QWidget* parent = nullptr);
// A list row: a leading widget (may be null), a bold title with an optional note under it, and
// trailing controls at the right edge.
QWidget* listRow(const QString& objectName, QWidget* leading, const QString& title,
                 const QString& note, std::initializer_list<QWidget*> trailing,
                 QWidget* parent = nullptr);

// "Open Notification Settings", through the model to the desktop's settings.
QPushButton* notificationSettingsButton(ConfigModel& model);
// One row per app (object names `listName` + ":" + app), each opening that app's editor where its
// settings are fixed; `whenEmpty` (object name `listName` + ":empty") when there is none.
void addAppList(SettingsCard& card, ConfigModel& model, const std::vector<std::string>& apps,
                const char* listName, const char* whenEmpty);

} // namespace corvale::settings
