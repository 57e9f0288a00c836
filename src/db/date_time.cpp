#include "db/date_time.h"

#include <cmath>
#include <cstdint>
#include <ctime>

#include "db/db_error.h"

namespace tir::db {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Day numbers before the epoch keep the time of day as a positive fraction: -1.25 is
// 1899-12-29 06:00. The sign applies to the day part only.
double Combine(std::int64_t days, double dayFraction) {
  return days >= 0 ? static_cast<double>(days) + dayFraction
                   : static_cast<double>(days) - dayFraction;
}

void Put(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

bool Digits(const std::string& s, std::size_t pos, std::size_t count, int& out) {
  if (pos + count > s.size()) return false;
  out = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

}  // namespace

double EncodeDateTime(const CivilTime& t) {
  const std::int64_t days =
      DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
      kEpochDays;
  const std::int64_t ms =
      ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  return Combine(days, static_cast<double>(ms) / static_cast<double>(kMsPerDay));
}

CivilTime DecodeDateTime(double dayNumber) {
  if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 3.0e6) {
    throw DbError("Date-time value out of range: " + std::to_string(dayNumber));
  }
  double whole = std::trunc(dayNumber);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(dayNumber - whole) * static_cast<double>(kMsPerDay));
  std::int64_t civilDays = days + kEpochDays;
  if (ms >= kMsPerDay) {  // rounded up to the next midnight
    ms -= kMsPerDay;
    civilDays += 1;
  }
  CivilTime t;
  CivilFromDays(civilDays, t.year, t.month, t.day);
  t.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  t.hour = static_cast<int>(ms / 60);
  return t;
}

std::size_t FormatDateTimeText(double dayNumber, char* out) {
  CivilTime t = DecodeDateTime(dayNumber);
  if (t.year < 1 || t.year > 9999) {
    throw DbError("Date-time value out of range: " + std::to_string(dayNumber));
  }
  Put(out, t.year, 4);
  out[4] = '-';
  Put(out + 5, t.month, 2);
  out[7] = '-';
  Put(out + 8, t.day, 2);
  out[10] = ' ';
  Put(out + 11, t.hour, 2);
  out[13] = ':';
  Put(out + 14, t.minute, 2);
  out[16] = ':';
  Put(out + 17, t.second, 2);
  out[19] = '.';
  Put(out + 20, t.millisecond, 3);
  return kDateTimeTextSize;
}

std::string DateTimeToSqlText(double dayNumber) {
  char buf[kDateTimeTextSize];
  return std::string(buf, FormatDateTimeText(dayNumber, buf));
}

std::optional<double> DateTimeFromSqlText(const std::string& text) {
  CivilTime t;
  if (!Digits(text, 0, 4, t.year) || text.size() < 10 || text[4] != '-' ||
      !Digits(text, 5, 2, t.month) || text[7] != '-' || !Digits(text, 8, 2, t.day)) {
    return std::nullopt;
  }
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month)) {
    return std::nullopt;
  }
  std::size_t pos = 10;
  double fraction = 0.0;
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    if (!Digits(text, pos + 1, 2, t.hour) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
        !Digits(text, pos + 4, 2, t.minute)) {
      return std::nullopt;
    }
    pos += 6;
    if (pos < text.size() && text[pos] == ':') {
      if (!Digits(text, pos + 1, 2, t.second)) return std::nullopt;
      pos += 3;
      if (pos < text.size() && text[pos] == '.') {
        ++pos;
        double scale = 0.1;
        std::size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
          fraction += (text[pos] - '0') * scale;
          scale /= 10;
          ++pos;
        }
        if (pos == start) return std::nullopt;
      }
    }
    if (pos != text.size() || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  }
  double whole = EncodeDateTime(t);
  double extra = fraction / 86400.0;
  return whole >= 0 || std::trunc(whole) == 0 ? whole + extra : whole - extra;
}

double NowDateTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  CivilTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  t.millisecond = static_cast<int>(ts.tv_nsec / 1'000'000);
  return EncodeDateTime(t);
}

}  // namespace tir::db
