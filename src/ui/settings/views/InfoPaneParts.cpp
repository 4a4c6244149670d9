#include "ui/settings/views/InfoPaneParts.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/InfoPaneTexts.h"
#include "ui/settings/views/SettingsForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvale::settings {

using form::qs;

QLabel* bodyText(const QString& text, QWidget* parent) {
    auto* body = form::label(text, parent);
    body->setWordWrap(true);
    body->setTextInteractionFlags(Qt::NoTextInteraction);
    return body;
}

void addSteps(SettingsCard& card, const std::vector<std::string>& steps) {
    int number = 0;
    for (const auto& step : steps) {
        card.addWidget(bodyText(QString::number(++number) + QStringLiteral(". ") + qs(step)));
    }
}

QWidget* inlineRow(std::initializer_list<QWidget*> widgets, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (auto* widget : widgets) {
        layout->addWidget(widget);
    }
    layout->addStretch(1);
    return row;
}

QWidget* listRow(const QString& objectName, QWidget* leading, const QString& title,
                 const QString& note, std::initializer_list<QWidget*> trailing, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setObjectName(objectName);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(10);
    if (leading) {
        layout->addWidget(leading, 0, Qt::AlignVCenter);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* name = form::label(title, row);
    name->setObjectName("rowTitle");
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->setWordWrap(true);
    texts->addWidget(name);
    if (!note.isEmpty()) {
        auto* under = form::note(note, row);
        under->setObjectName("rowNote");
        texts->addWidget(under);
    }
    layout->addLayout(texts, 1);
    for (auto* control : trailing) {
        layout->addWidget(control, 0, Qt::AlignVCenter);
    }
    return row;
}

QPushButton* notificationSettingsButton(ConfigModel& model) {
    auto* button = makeButton(InfoPaneTexts::openNotificationSettings,
                              [&model] { model.onOpenNotifSettings(); });
    button->setObjectName("openNotificationSettings");
    // Only GNOME and KDE say where their notification settings are.
    button->setEnabled(static_cast<bool>(model.onOpenNotifSettings));
    return button;
}

void addAppList(SettingsCard& card, ConfigModel& model, const std::vector<std::string>& apps,
                const char* listName, const char* whenEmpty) {
    if (apps.empty()) {
        card.addNote(whenEmpty)->setObjectName(QString(listName) + ":empty");
        return;
    }
    for (const auto& app : apps) {
        auto* open = makeButton(InfoPaneTexts::openApp,
                                [&model, app] { model.onOpenSettings(PaneID::app(app)); });
        open->setObjectName("open:" + qs(app));
        open->setAccessibleName(qs(InfoPaneTexts::openAppHelp(app)));
        open->setToolTip(form::plainTip(open->accessibleName()));
        open->setEnabled(static_cast<bool>(model.onOpenSettings));
        card.addWidget(listRow(QString(listName) + ":" + qs(app), nullptr, qs(app), {}, {open}));
    }
}

} // namespace corvale::settings
