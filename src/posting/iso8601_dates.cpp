#include "posting/iso8601_dates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "db/date_time.h"

namespace tir::posting {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::tm ToTm(const db::CivilTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return tm;
}

// Offset of local time from UTC in minutes at the local wall-clock time `t`.
int LocalOffsetMinutes(const db::CivilTime& t) {
  std::tm asUtc = ToTm(t);
  std::tm asLocal = ToTm(t);
  const std::time_t utc = timegm(&asUtc);
  const std::time_t local = std::mktime(&asLocal);
  if (local == static_cast<std::time_t>(-1)) return 0;
  return static_cast<int>((utc - local) / 60);
}

// Reads exactly `n` digits at `pos`.
bool Digits(const std::string& s, std::size_t& pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = s[pos + i];
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    out = out * 10 + (c - '0');
  }
  pos += n;
  return true;
}

bool Expect(const std::string& s, std::size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string DateToISO8601(double aLocalDate) {
  const db::CivilTime t = db::DecodeDateTime(aLocalDate);
  const int offset = LocalOffsetMinutes(t);
  const int absOffset = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond, offset < 0 ? '-' : '+',
                absOffset / 60, absOffset % 60);
  return text;
}

std::optional<double> ISO8601ToDate(const std::string& aText) {
  db::CivilTime t;
  std::size_t pos = 0;
  if (!Digits(aText, pos, 4, t.year) || !Expect(aText, pos, '-') ||
      !Digits(aText, pos, 2, t.month) || !Expect(aText, pos, '-') ||
      !Digits(aText, pos, 2, t.day)) {
    return std::nullopt;
  }
  t.hour = t.minute = t.second = t.millisecond = 0;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.year < 1) return std::nullopt;
  bool hasOffset = false;
  int offsetMinutes = 0;
  if (pos < aText.size() && (aText[pos] == 'T' || aText[pos] == ' ')) {
    ++pos;
    if (!Digits(aText, pos, 2, t.hour) || !Expect(aText, pos, ':') ||
        !Digits(aText, pos, 2, t.minute)) {
      return std::nullopt;
    }
    if (pos < aText.size() && aText[pos] == ':') {
      ++pos;
      if (!Digits(aText, pos, 2, t.second)) return std::nullopt;
      if (pos < aText.size() && aText[pos] == '.') {
        ++pos;
        double scale = 100;
        const std::size_t start = pos;
        double ms = 0;
        while (pos < aText.size() && std::isdigit(static_cast<unsigned char>(aText[pos])) != 0) {
          ms += (aText[pos] - '0') * scale;
          scale /= 10;
          ++pos;
        }
        if (pos == start) return std::nullopt;
        t.millisecond = static_cast<int>(std::lround(std::floor(ms)));
      }
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
    if (pos < aText.size() && aText[pos] == 'Z') {
      ++pos;
      hasOffset = true;
    } else if (pos < aText.size() && (aText[pos] == '+' || aText[pos] == '-')) {
      const int sign = aText[pos] == '-' ? -1 : 1;
      ++pos;
      int hh = 0, mm = 0;
      if (!Digits(aText, pos, 2, hh)) return std::nullopt;
      if (pos < aText.size() && aText[pos] == ':') ++pos;
      if (pos < aText.size() && !Digits(aText, pos, 2, mm)) return std::nullopt;
      hasOffset = true;
      offsetMinutes = sign * (hh * 60 + mm);
    }
  }
  if (pos != aText.size()) return std::nullopt;
  const double fraction = t.millisecond / (kSecondsPerDay * 1000.0);
  t.millisecond = 0;
  const double written = db::EncodeDateTime(t);
  if (!hasOffset) return written + fraction;
  // The UTC instant, then its local wall-clock time.
  const double utc = written - offsetMinutes / (24.0 * 60.0);
  const std::time_t seconds = static_cast<std::time_t>(std::llround(
      (utc - db::EncodeDateTime(db::CivilTime{1970, 1, 1, 0, 0, 0, 0})) * kSecondsPerDay));
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  const db::CivilTime lt{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         0};
  return db::EncodeDateTime(lt) + fraction;
}

}  // namespace tir::posting
