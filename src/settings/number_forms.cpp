#include "settings/number_forms.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "db/unicode_case.h"
#include "settings/value_errors.h"
#include "settings/value_params.h"

namespace tir {

namespace {

constexpr long double kEpsilon = 0.000000001L;
constexpr long double kHalfUp = 0.5000001L;
// Digits beyond this are not shown by the text forms.
constexpr int kMaxShownDigits = 18;

long double PowerOfTen(int aDigits) {
  static constexpr long double kSmall[] = {1.0L,   10.0L,  100.0L, 1000.0L, 10000.0L,
                                           1.0e5L, 1.0e6L, 1.0e7L, 1.0e8L};
  if (aDigits < 0) return 1.0L;
  if (aDigits <= 8) return kSmall[aDigits];
  long double m = 1.0L;
  for (int i = 0; i < aDigits && std::isfinite(m); ++i) m *= 10.0L;
  return m;
}

}  // namespace

long double TirRountFloatToDig(long double aValue, int aDigits) {
  const long double m = PowerOfTen(aDigits);
  if (aValue < 0) return std::trunc(aValue * m - kHalfUp) / m;
  return std::trunc(aValue * m + kHalfUp) / m;
}

long double FloatToPrice(long double aValue) {
  return TirRountFloatToDig(aValue, gValueParams.fPriceDigit);
}

long double FloatToCount(long double aValue) {
  return TirRountFloatToDig(aValue, gValueParams.fCountDigit);
}

long double TirStrToFloat(std::string_view aText, int aDigits, char16_t /*aDecSep*/) {
  // Both ',' and '.' become the separator the conversion is told to expect, so the clean text is
  // built with '.' and converted independently of locale.
  std::string clean;
  clean.reserve(aText.size() + 1);
  bool haveSeparator = false;
  for (char c : aText) {
    if (c >= '0' && c <= '9') {
      clean += c;
    } else if (c == ',' || c == '.') {
      if (haveSeparator) continue;
      haveSeparator = true;
      if (clean.empty() || clean == "-") clean += '0';
      clean += '.';
    } else if (c == '-') {
      if (clean.empty()) clean += '-';
    }
  }
  if (clean.empty() || clean == "-") return 0.0L;
  long double value = 0.0L;
  const auto [ptr, ec] = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Too many digits for an extended value: saturate towards the side the text points to.
    const bool negative = clean.front() == '-';
    const bool tiny = clean.find_first_of("123456789") > clean.find('.');
    value = tiny ? 0.0L : std::numeric_limits<long double>::infinity();
    if (negative) value = -value;
  } else if (ec != std::errc()) {
    value = 0.0L;
  }
  return TirRountFloatToDig(value, aDigits);
}

long double StrToFloatPrice(std::string_view aText) {
  return TirStrToFloat(aText, gValueParams.fPriceDigit, gValueParams.fDecSeparator);
}

long double StrToFloatCount(std::string_view aText) {
  return TirStrToFloat(aText, gValueParams.fCountDigit, gValueParams.fDecSeparator);
}

std::int64_t gStrToInteger(std::string_view aText) {
  const long double v = TirStrToFloat(aText, 0, gValueParams.fDecSeparator);
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775807.0L) return std::numeric_limits<std::int64_t>::max();
  if (v <= -9223372036854775808.0L) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

bool gIsInteger(std::string_view aText) {
  if (aText.empty()) return false;
  for (char c : aText) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool gIsNoFrac(long double aValue) {
  long double whole = 0.0L;
  return IsFloatNull(std::modf(aValue, &whole));
}

bool gIsNoFrac(std::string_view aText) { return gIsNoFrac(TirStrToFloat(aText, 7, u'.')); }

bool IsFloatNull(long double aValue) { return -kEpsilon < aValue && aValue < kEpsilon; }

bool IsFloatIdent(long double a, long double b) { return IsFloatNull(b - a); }

bool IsFloatCMP(long double aLeft, std::string_view aOp, long double aRight) {
  if (aOp == "<=") return aLeft <= aRight + kEpsilon;
  if (aOp == ">=") return aLeft >= aRight - kEpsilon;
  if (aOp == "<") return aLeft < aRight - kEpsilon;
  if (aOp == ">") return aLeft > aRight + kEpsilon;
  if (aOp == "=") return IsFloatIdent(aLeft, aRight);
  if (aOp == "<>" || aOp == "!=") return !IsFloatIdent(aLeft, aRight);
  if (aOp == "%" || aOp == "!%") {
    const int digits = gValueParams.fCountDigit;
    const long double m = (digits >= 0 && digits <= 8) ? PowerOfTen(digits) : 1.0L;
    // nearbyint rounds half to even in the default rounding mode.
    const long double left = std::nearbyint(aLeft * m);
    const long double right = std::nearbyint(aRight * m);
    if (right == 0.0L) throw EDivByZero("Division by zero");
    const bool multiple = std::fmod(left, right) == 0.0L;
    return aOp == "%" ? multiple : !multiple;
  }
  ShowValueErrorDialog("Error compare float: " + std::string(aOp));
  return false;
}

std::string FloatToStringPrice(int aDigits, char16_t aDecSep, long double aValue) {
  const int shown = aDigits < 0 ? 0 : (aDigits > kMaxShownDigits ? kMaxShownDigits : aDigits);
  long double v = TirRountFloatToDig(aValue, aDigits);
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  if (v == 0.0L) v = 0.0L;  // no "-0"
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, "%.*Lf", shown, v);
  std::string plain;
  if (n < 0 || n >= static_cast<int>(sizeof buf)) {
    // Too long for the buffer (a huge value): print it in a fitting one.
    std::string big(static_cast<std::size_t>(n > 0 ? n + 1 : 8192), '\0');
    std::snprintf(big.data(), big.size(), "%.*Lf", shown, v);
    plain = big.c_str();
  } else {
    plain.assign(buf, static_cast<std::size_t>(n));
  }
  std::string_view text(plain);
  std::string out;
  if (!text.empty() && text.front() == '-') {
    // A value that prints as all zeros carries no sign.
    if (text.find_first_of("123456789") != std::string_view::npos) out += '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const char16_t group = gValueParams.fThousandSeparator;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (group != 0 && i > 0 && (whole.size() - i) % 3 == 0) db::EncodeUtf8(group, out);
    out += whole[i];
  }
  if (point != std::string_view::npos) {
    db::EncodeUtf8(aDecSep, out);
    out += text.substr(point + 1);
  }
  return out;
}

std::string ToStringPrice(long double aValue) {
  return FloatToStringPrice(gValueParams.fPriceDigit, gValueParams.fDecSeparator, aValue);
}

std::string ToStringPrice(std::string_view aText) { return ToStringPrice(StrToFloatPrice(aText)); }

std::string ToStringCount(long double aValue) {
  return FloatToStringPrice(gValueParams.fCountDigit, gValueParams.fDecSeparator, aValue);
}

std::string ToStringCount(std::string_view aText) { return ToStringCount(StrToFloatCount(aText)); }

}  // namespace tir
