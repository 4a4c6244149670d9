#include "ui/menubar/views/StoreProblemsBar.h"

#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/MenuTexts.h"
#include "ui/menubar/views/FormHelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvale {

namespace {

// Paths and error texts are shown as they are, never as markup.
QLabel* plainLabel(const char* objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

StoreProblemsBar::StoreProblemsBar(ConfigModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName("storeProblems");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    saveProblem_ = plainLabel("saveProblem", this);
    QPalette pal = saveProblem_->palette();
    pal.setColor(QPalette::WindowText, form::warningColor);
    saveProblem_->setPalette(pal);
    column->addWidget(saveProblem_);
    auto* row = new QHBoxLayout;
    storeNotice_ = plainLabel("storeNotice", this);
    row->addWidget(storeNotice_, 1);
    dismiss_ = new QPushButton(MenuTexts::dismiss, this);
    dismiss_->setObjectName("dismissStoreNotice");
    connect(dismiss_, &QPushButton::clicked, this, [this] { model_.dismissStoreNotice(); });
    row->addWidget(dismiss_, 0, Qt::AlignTop);
    column->addLayout(row);
    changes_ = model_.observe([this] { refresh(); });
    refresh();
}

void StoreProblemsBar::refresh() {
    const auto problem = model_.saveProblem();
    const auto notice = model_.storeNotice();
    saveProblem_->setText(form::qs(problem));
    saveProblem_->setVisible(!problem.empty());
    storeNotice_->setText(form::qs(notice));
    storeNotice_->setVisible(!notice.empty());
    dismiss_->setVisible(!notice.empty());
    setVisible(!problem.empty() || !notice.empty());
}

} // namespace corvale
