#pragma once

#include "core/Subscription.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace corvale {

class ConfigModel;

// What the user must know about the data files, bound to the model: why saving fails now, and
// the unreadable files set aside, with a button that dismisses them. Hidden while all is well.
class StoreProblemsBar : public QWidget {
public:
    explicit StoreProblemsBar(ConfigModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    ConfigModel& model_;
    QLabel* saveProblem_;
    QLabel* storeNotice_;
    QPushButton* dismiss_;
    Subscription changes_;
};

} // namespace corvale
