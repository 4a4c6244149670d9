#include "ui/settings/views/SettingsForm.h"

#include "ui/settings/views/TileKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace corvale::settings {

namespace {

// A control by its name and the names of its ancestors below `root`, which a column built again
// gives the same control; empty for a control without a name of its own.
QString pathOf(const QWidget* widget, const QWidget* root) {
    if (widget->objectName().isEmpty()) {
        return {};
    }
    QStringList names;
    for (const QWidget* w = widget; w && w != root; w = w->parentWidget()) {
        if (!w->objectName().isEmpty()) {
            names.prepend(w->objectName());
        }
    }
    return names.join('/');
}

// The controls under `root` that Tab stops at, in the order it visits them.
std::vector<QWidget*> tabStops(QWidget* root) {
    std::vector<QWidget*> stops;
    for (QWidget* w = root->nextInFocusChain(); w && w != root; w = w->nextInFocusChain()) {
        if (root->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(root)) {
            stops.push_back(w);
        }
    }
    return stops;
}

// How often a rebuild waiting for a modal dialog looks again.
constexpr int modalRecheck = 100;

// A ring around the pane while the pane itself has the keyboard focus, drawn above the
// scrolling column; clicks go through it.
class FocusRing : public QWidget {
public:
    explicit FocusRing(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (parentWidget() && showsFocus(*parentWidget())) {
            QPainter p(this);
            paintFocusRing(p, rect(), palette());
        }
    }
};

} // namespace

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
    auto* name = form::label(label, this);
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
    // A control whose lines wrap takes the column's width, the width its height is asked for.
    grid_->addWidget(control, rows_, 1,
                     control->hasHeightForWidth() ? Qt::Alignment()
                                                  : Qt::AlignLeft | Qt::AlignVCenter);
    ++rows_;
    if (!note.isEmpty()) {
        grid_->addWidget(form::note(note, this), rows_, 1);
        ++rows_;
    }
}

void SettingsCard::addWidget(QWidget* widget) {
    grid_->addWidget(widget, rows_, 0, 1, 2);
    ++rows_;
}

QLabel* SettingsCard::addNote(const QString& text) {
    auto* label = form::note(text, this);
    addWidget(label);
    return label;
}

bool modalRunning() {
    return QApplication::activeModalWidget() != nullptr;
}

QPushButton* makeButton(const QString& title, std::function<void()> action, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    // Enter presses the focused button, as Space does.
    button->setAutoDefault(true);
    QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] {
        if (action) {
            action();
        }
    });
    return button;
}

FormPane::FormPane(QWidget* parent) : QScrollArea(parent), focusRing_(new FocusRing(this)) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reloadTimer_.setSingleShot(true);
    connect(&reloadTimer_, &QTimer::timeout, this, [this] {
        if (modalRunning()) {
            reloadTimer_.start(modalRecheck);
        } else {
            rebuild();
        }
    });
}

void FormPane::rebuild() {
    reloadTimer_.stop();
    const int scrolled = verticalScrollBar()->value();
    bool hadFocus = false;
    QString focusPath;
    int focusStop = -1;
    if (QWidget* old = widget();
        old && QApplication::focusWidget() && old->isAncestorOf(QApplication::focusWidget())) {
        QWidget* focused = QApplication::focusWidget();
        hadFocus = true;
        focusPath = pathOf(focused, old);
        const auto stops = tabStops(old);
        const auto at = std::find(stops.begin(), stops.end(), focused);
        focusStop = at == stops.end() ? -1 : static_cast<int>(at - stops.begin());
        // Dropped now: hiding the old column would hand the focus to whatever follows it.
        focused->clearFocus();
    }
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
    verticalScrollBar()->setValue(scrolled);
    if (hadFocus) {
        restoreFocus(focusPath, focusStop);
    }
}

void FormPane::restoreFocus(const QString& path, int stop) {
    QWidget* target = nullptr;
    if (!path.isEmpty()) {
        for (auto* candidate : column_->findChildren<QWidget*>()) {
            if (candidate->focusPolicy() != Qt::NoFocus && candidate->isEnabled() &&
                pathOf(candidate, column_) == path) {
                target = candidate;
                break;
            }
        }
    }
    // A control that is gone (a removed rule's button) hands the focus to the one now in its
    // place in the Tab order.
    if (!target && stop >= 0) {
        const auto stops = tabStops(column_);
        if (!stops.empty()) {
            target = stops[std::min(static_cast<std::size_t>(stop), stops.size() - 1)];
        }
    }
    if (!target) {
        target = this;
    }
    target->setFocus(Qt::OtherFocusReason);
    if (target != this) {
        ensureWidgetVisible(target);
    }
}

void FormPane::focusInEvent(QFocusEvent* event) {
    QScrollArea::focusInEvent(event);
    focusRing_->setGeometry(rect());
    focusRing_->raise();
    focusRing_->show();
}

void FormPane::focusOutEvent(QFocusEvent* event) {
    QScrollArea::focusOutEvent(event);
    focusRing_->hide();
}

void FormPane::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    focusRing_->setGeometry(rect());
}

void FormPane::reloadSoon() {
    if (!reloadTimer_.isActive()) {
        reloadTimer_.start(0);
    }
}

SettingsCard* FormPane::addCard(const QString& title) {
    auto* card = new SettingsCard(title, column_);
    layout_->addWidget(card);
    return card;
}

QLabel* FormPane::addNote(const QString& text) {
    auto* label = form::note(text, column_);
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
