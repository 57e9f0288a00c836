#include "settings/date_forms.h"

#include <cstdio>

#include "db/date_time.h"
#include "db/db_error.h"
#include "settings/value_errors.h"

namespace tir {

namespace {

int Number(std::string_view text, std::size_t pos, std::size_t count) {
  int v = 0;
  for (std::size_t i = 0; i < count; ++i) v = v * 10 + (text[pos + i] - '0');
  return v;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

}  // namespace

std::string gDateToJSON(double aDate) {
  db::CivilTime t;
  try {
    t = db::DecodeDateTime(aDate);
  } catch (const db::DbError&) {
    throw EConvertError("Invalid date-time value");
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

double gDateFromJSON(std::string_view aText) {
  if (aText.size() != 14) return -1;
  for (char c : aText) {
    if (c < '0' || c > '9') return -1;
  }
  db::CivilTime t;
  t.year = Number(aText, 0, 4);
  t.month = Number(aText, 4, 2);
  t.day = Number(aText, 6, 2);
  t.hour = Number(aText, 8, 2);
  t.minute = Number(aText, 10, 2);
  t.second = Number(aText, 12, 2);
  t.millisecond = 0;
  if (t.year == 0 || t.month == 0 || t.month > 12 || t.day == 0 || t.day > 31 || t.hour > 23 ||
      t.minute > 59 || t.second > 59) {
    return -1;
  }
  if (t.day > DaysInMonth(t.year, t.month)) return -1;
  return db::EncodeDateTime(t);
}

}  // namespace tir
