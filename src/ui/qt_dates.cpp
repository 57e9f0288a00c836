#include "ui/qt_dates.h"

#include "db/date_time.h"

namespace tir::ui {

double ToDayNumber(const QDateTime& aValue) {
  const QDate d = aValue.date();
  const QTime t = aValue.time();
  return db::EncodeDateTime(
      {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()});
}

QString DateTimeText(const QDateTime& aValue) {
  return aValue.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

}  // namespace tir::ui
