#include "ui/settings/views/AddAppChooser.h"

#include "platform/Workspace.h"
#include "ui/menubar/ConfigModel.h"
#include "ui/menubar/MenuModel.h"
#include "ui/menubar/views/FormHelpers.h"
#include "ui/settings/AppEditorTexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>

namespace corvale::settings {

namespace {

namespace T = AppEditorTexts;
constexpr int nameRole = Qt::UserRole;

// Up and Down in the filter field move through the list, so the keyboard never has to leave it.
class FilterField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    void steer(QListWidget* list) { list_ = list; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (list_ && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up ||
                      event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp)) {
            QApplication::sendEvent(list_, event);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    QListWidget* list_ = nullptr;
};

QIcon blankIcon(const QSize& size) {
    QPixmap blank(size);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

// A desktop entry's name or a typed one can be of any length: the row shows it cut short, and
// only a row cut short needs its whole title as a tooltip.
void setTitle(QListWidgetItem* item, const std::string& title) {
    const std::string shown = form::shortName(title);
    item->setText(form::qs(shown));
    item->setToolTip(shown == title ? QString() : form::plainTip(form::qs(title)));
}

} // namespace

AddAppChooser::AddAppChooser(std::vector<std::string> seen,
                             std::vector<AddAppCandidates::InstalledApp> installed,
                             std::vector<std::string> configured, QWidget* parent)
    : QDialog(parent), seen_(std::move(seen)), installed_(std::move(installed)),
      configured_(std::move(configured)) {
    setObjectName("addAppChooser");
    setWindowTitle(T::addAppTitle);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 16, 20, 16);
    outer->setSpacing(10);
    outer->addWidget(form::heading(T::addAppTitle, this));
    auto* text = new QLabel(T::addAppMessage, this);
    text->setWordWrap(true);
    outer->addWidget(text);

    // Made in the order they stand, which is the order Tab visits them.
    auto* filter = new FilterField(this);
    filter_ = filter;
    filter_->setObjectName("appFilter");
    filter_->setPlaceholderText(T::addAppFilterPlaceholder);
    filter_->setAccessibleName(T::addAppFilterName);
    filter_->setClearButtonEnabled(true);
    filter_->setMaxLength(AddAppCandidates::maxNameLength);
    text->setBuddy(filter_);
    list_ = new QListWidget(this);
    list_->setObjectName("appList");
    list_->setIconSize(QSize(22, 22));
    list_->setUniformItemSizes(false);
    list_->setAccessibleName(T::addAppListName);
    filter->steer(list_);
    outer->addWidget(filter_);
    outer->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(T::cancel, this);
    cancel->setObjectName("cancelAddApp");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    add_ = new QPushButton(T::add, this);
    add_->setObjectName("addAppButton");
    add_->setDefault(true);
    connect(add_, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(add_);
    outer->addLayout(buttons);

    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(list_, &QListWidget::currentRowChanged, this,
            [this] { add_->setEnabled(chosenName().has_value()); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item->flags() & Qt::ItemIsSelectable) {
            accept();
        }
    });
    fill();
    applyFilter();
    filter_->setFocus();
    resize(440, 480);
    form::fitToScreen(*this);
}

void AddAppChooser::fill() {
    for (const auto& row : AddAppCandidates::rows(seen_, installed_, configured_, {})) {
        auto* item = new QListWidgetItem(list_);
        setTitle(item, row.title);
        if (!row.choosable()) {
            QFont font = item->font();
            font.setBold(row.kind == AddAppCandidates::Row::Kind::heading);
            font.setItalic(row.kind == AddAppCandidates::Row::Kind::note);
            item->setFont(font);
            item->setFlags(Qt::ItemIsEnabled);
            rows_[{row.kind, row.title}] = item;
            continue;
        }
        item->setData(nameRole, form::qs(row.name));
        QIcon icon;
        if (row.icon) {
            icon = QIcon(QString::fromStdString(row.icon->string()));
        }
        // A blank of the same size keeps every name in one column.
        item->setIcon(icon.isNull() ? blankIcon(list_->iconSize()) : icon);
        rows_[{row.kind, row.name}] = item;
    }
    typed_ = new QListWidgetItem(list_);
    typed_->setIcon(blankIcon(list_->iconSize()));
}

void AddAppChooser::applyFilter() {
    using Kind = AddAppCandidates::Row::Kind;
    std::set<QListWidgetItem*> shown;
    const auto filter = filter_->text().toStdString();
    const auto rows = AddAppCandidates::rows(seen_, installed_, configured_, filter);
    const auto enter = AddAppCandidates::enterRow(rows, filter);
    QListWidgetItem* current = nullptr;
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        QListWidgetItem* item = nullptr;
        if (row.kind == Kind::typed) {
            setTitle(typed_, row.title);
            typed_->setData(nameRole, form::qs(row.name));
            item = typed_;
        } else if (auto at = rows_.find({row.kind, row.choosable() ? row.name : row.title});
                   at != rows_.end()) {
            item = at->second;
        }
        shown.insert(item);
        if (enter == i) {
            current = item;
        }
    }
    for (int i = 0; i < list_->count(); ++i) {
        list_->item(i)->setHidden(!shown.contains(list_->item(i)));
    }
    list_->setCurrentItem(current);
    add_->setEnabled(chosenName().has_value());
}

std::optional<std::string> AddAppChooser::chosenName() const {
    const auto* item = list_->currentItem();
    if (!item || !(item->flags() & Qt::ItemIsSelectable)) {
        return std::nullopt;
    }
    const auto name = item->data(nameRole).toString().toStdString();
    return name.empty() ? std::nullopt : std::optional(name);
}

std::optional<std::string> presentAddApp(ConfigModel& model, Workspace& workspace,
                                         QWidget* parent) {
    std::vector<std::string> seen = model.published().seenApps;
    const auto& observed = model.observedApps();
    seen.insert(seen.end(), observed.begin(), observed.end());
    std::vector<AddAppCandidates::InstalledApp> installed;
    for (const auto& app : workspace.installedApplications()) {
        installed.push_back({app.name, workspace.iconFile(app)});
    }
    AddAppChooser chooser(std::move(seen), std::move(installed),
                          MenuModel::appRows(model.rules(), {}), parent);
    chooser.raise();
    chooser.activateWindow();
    if (chooser.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    auto name = chooser.chosenName();
    return name ? model.addApp(*name) : std::nullopt;
}

} // namespace corvale::settings
