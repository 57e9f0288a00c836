#pragma once

#include <QDateTime>

namespace tir::ui {

// Local date-times of the pickers as the module's day numbers.
double ToDayNumber(const QDateTime& aValue);
// "dd.MM.yyyy hh:mm:ss" of a moment, for progress texts.
QString DateTimeText(const QDateTime& aValue);

}  // namespace tir::ui
