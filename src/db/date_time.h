#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tir::db {

// Date-times are day numbers with a fraction counted from 1899-12-30 00:00 local time
// (1.0 is one day, 1.0/24 one hour). On SQLite they are stored as "YYYY-MM-DD HH:MM:SS.SSS".

struct CivilTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
};

double EncodeDateTime(const CivilTime& t);
CivilTime DecodeDateTime(double dayNumber);  // rounded to the millisecond

// "YYYY-MM-DD HH:MM:SS.SSS". Raises DbError for a value outside the years 1..9999 or not finite.
std::string DateTimeToSqlText(double dayNumber);
// The same text written to `out` (at least kDateTimeTextSize bytes, not terminated); returns the
// length written (always kDateTimeTextSize). Used by binders that must not allocate.
constexpr std::size_t kDateTimeTextSize = 23;
std::size_t FormatDateTimeText(double dayNumber, char* out);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS", with optional ".S…" and an
// optional "T" separator; nullopt for anything else.
std::optional<double> DateTimeFromSqlText(const std::string& text);

// Local wall-clock now as a day number.
double NowDateTime();

}  // namespace tir::db
