#pragma once

#include <string>
#include <string_view>

namespace tir {

// Date-times are day numbers counted from 1899-12-30 (see db/date_time.h).

// The compact text "yyyymmddhhnnss" (24-hour clock) of aDate.
// Raises EConvertError for a value that is not a date-time (not finite, far out of range).
std::string gDateToJSON(double aDate);
// The date-time of a compact text, or -1 when aText is not exactly 14 digits naming an existing
// date and time (year 1-9999, seconds 0-59; milliseconds are 0).
double gDateFromJSON(std::string_view aText);

}  // namespace tir
