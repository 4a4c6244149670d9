#pragma once

#include <QString>
#include <QStringList>

namespace corvale {

// Draws the dashboard (each lens, with sample alerts and empty) and the quick menu from sample
// data held in a temporary folder, each in a light and a dark palette at device scale 1 and 2,
// into PNG files in `folder`. Returns the files written; `error` says what failed otherwise.
QStringList renderMenuViews(const QString& folder, QString* error);

} // namespace corvale
