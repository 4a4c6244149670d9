#include "ui/settings/views/SettingsForm.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace corvale::settings {

SettingsCard::SettingsCard(const QString& title, QWidget* parent) : form::Card(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 10, 14, 12);
    outer->setSpacing(8);
    if (!title.isEmpty()) {
        outer->addWidget(form::heading(title, this));
    }
    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(12);
    grid_->setVerticalSpacing(6);
    grid_->setColumnStretch(1, 1);
    outer->addLayout(grid_);
}

void SettingsCard::row(const QString& label, QWidget* control, const QString& note) {
    auto* name = new QLabel(label, this);
    name->setBuddy(control);
    name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A button says what it does in its own words ("Test" beside "Preview:"); the label only
    // names controls that have none.
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    if (control->accessibleName().isEmpty() && !(button && !button->text().isEmpty())) {
        QString accessible = label;
        if (accessible.endsWith(':')) {
            accessible.chop(1);
        }
        control->setAccessibleName(accessible);
    }
    grid_->addWidget(name, rows_, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid_->addWidget(control, rows_, 1, Qt::AlignLeft | Qt::AlignVCenter);
    ++rows_;
    if (!note.isEmpty()) {
        grid_->addWidget(makeNote(note, this), rows_, 1);
        ++rows_;
    }
}

void SettingsCard::addWidget(QWidget* widget) {
    grid_->addWidget(widget, rows_, 0, 1, 2);
    ++rows_;
}

QLabel* SettingsCard::addNote(const QString& text) {
    auto* label = makeNote(text, this);
    addWidget(label);
    return label;
}

QLabel* makeNote(const QString& text, QWidget* parent) {
    auto* label = form::note(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

QPushButton* makeButton(const QString& title, std::function<void()> action, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] {
        if (action) {
            action();
        }
    });
    return button;
}

FormPane::FormPane(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void FormPane::rebuild() {
    reloadQueued_ = false;
    // The old column goes later, since the control whose action asked for this may be in it.
    if (auto* old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    column_ = new QWidget;
    layout_ = new QVBoxLayout(column_);
    layout_->setContentsMargins(20, 16, 20, 20);
    layout_->setSpacing(12);
    build();
    layout_->addStretch(1);
    setWidget(column_);
    built_ = true;
}

void FormPane::reloadSoon() {
    if (reloadQueued_) {
        return;
    }
    reloadQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        if (reloadQueued_) {
            rebuild();
        }
    });
}

SettingsCard* FormPane::addCard(const QString& title) {
    auto* card = new SettingsCard(title, column_);
    layout_->addWidget(card);
    return card;
}

QLabel* FormPane::addNote(const QString& text) {
    auto* label = makeNote(text, column_);
    layout_->addWidget(label);
    return label;
}

void FormPane::addWidget(QWidget* widget) {
    layout_->addWidget(widget);
}

void FormPane::showEvent(QShowEvent* event) {
    if (refreshOnShow || !built_) {
        rebuild();
    }
    QScrollArea::showEvent(event);
}

} // namespace corvale::settings
