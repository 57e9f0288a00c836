#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tir {

// Amounts and quantities are extended (long double) values. The functions without a digits or
// separator argument take them from gValueParams (settings/value_params.h). Texts are UTF-8.

// aValue rounded to aDigits decimals: trunc(aValue * m + 0.5000001) / m, with - instead of + for a
// negative value, m = 10^aDigits (1 for a negative aDigits).
long double TirRountFloatToDig(long double aValue, int aDigits);
long double FloatToPrice(long double aValue);
long double FloatToCount(long double aValue);

// Lenient parse: digits are kept, the first ',' or '.' is the decimal point, a '-' counts only
// before anything else was kept, every other character is dropped; the result is rounded to
// aDigits. An empty result reads as 0. aDecSep is the host's separator for this call only; the
// result does not depend on process-wide state.
long double TirStrToFloat(std::string_view aText, int aDigits, char16_t aDecSep);
long double StrToFloatPrice(std::string_view aText);
long double StrToFloatCount(std::string_view aText);
// TirStrToFloat(aText, 0, separator) as a whole number (saturated to the Int64 range).
std::int64_t gStrToInteger(std::string_view aText);
// True when aText is non-empty and holds only the digits 0-9.
bool gIsInteger(std::string_view aText);
bool gIsNoFrac(long double aValue);
bool gIsNoFrac(std::string_view aText);

// Tolerance 0.000000001.
bool IsFloatNull(long double aValue);
bool IsFloatIdent(long double a, long double b);
// aOp: "<=", ">=", "<", ">", "=", "<>", "!=", "%", "!%". "%" is true when round(aLeft * 10^k) is
// a whole multiple of round(aRight * 10^k), k = gValueParams.fCountDigit when 0-8 (else 0); a
// right side that rounds to 0 raises EDivByZero. Any other aOp shows the error dialog
// "Error compare float: " + aOp and gives false.
bool IsFloatCMP(long double aLeft, std::string_view aOp, long double aRight);

// The value rounded to aDigits, with thousands grouping (gValueParams.fThousandSeparator),
// exactly aDigits decimals and aDecSep as decimal separator.
std::string FloatToStringPrice(int aDigits, char16_t aDecSep, long double aValue);
std::string ToStringPrice(long double aValue);
std::string ToStringPrice(std::string_view aText);
std::string ToStringCount(long double aValue);
std::string ToStringCount(std::string_view aText);

}  // namespace tir
