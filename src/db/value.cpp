#include "db/value.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "db/date_time.h"
#include "db/db_error.h"
#include "db/unicode_case.h"

namespace tir::db {

namespace {

std::string_view Trimmed(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string_view(s).substr(b, e - b);
}

bool ParseInt64(const std::string& s, std::int64_t& out) {
  std::string_view t = Trimmed(s);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && p == t.data() + t.size() && !t.empty();
}

bool ParseDouble(const std::string& s, double& out) {
  std::string_view t = Trimmed(s);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && p == t.data() + t.size() && !t.empty();
}

[[noreturn]] void NotNumber(const std::string& text) {
  throw DbError("Value is not a number: '" + text.substr(0, 60) + "'");
}

}  // namespace

static_assert(sizeof(Value) <= 48, "parameter arrays hold many Values");

Value Value::Null(ValueType type) {
  Value v;
  v.type_ = type;
  return v;
}

Value Value::Int32(std::int32_t v) {
  Value r;
  r.type_ = ValueType::kInt32;
  r.null_ = false;
  r.payload_ = static_cast<std::int64_t>(v);
  return r;
}

Value Value::Int64(std::int64_t v) {
  Value r;
  r.type_ = ValueType::kInt64;
  r.null_ = false;
  r.payload_ = v;
  return r;
}

Value Value::Double(double v) {
  Value r;
  r.type_ = ValueType::kDouble;
  r.null_ = false;
  r.payload_ = v;
  return r;
}

Value Value::Extended(long double v) {
  Value r;
  r.type_ = ValueType::kExtended;
  r.null_ = false;
  ExtendedBytes bytes{};
  std::memcpy(bytes.data(), &v, sizeof v);
  r.payload_ = bytes;
  return r;
}

long double Value::ExtendedValue() const {
  long double v = 0;
  std::memcpy(&v, std::get<ExtendedBytes>(payload_).data(), sizeof v);
  return v;
}

Value Value::Text(std::string utf8) {
  Value r;
  r.type_ = ValueType::kText;
  r.null_ = false;
  r.payload_ = std::move(utf8);
  return r;
}

Value Value::WideText(const std::u16string& utf16) { return Text(Utf16ToUtf8(utf16)); }

Value Value::DateTime(double dayNumber) {
  Value r;
  r.type_ = ValueType::kDateTime;
  r.null_ = false;
  r.payload_ = dayNumber;
  return r;
}

Value Value::Blob(std::vector<std::uint8_t> bytes) {
  Value r;
  r.type_ = ValueType::kBlob;
  r.null_ = false;
  r.payload_ = std::move(bytes);
  return r;
}

std::int32_t Value::AsInt32() const {
  std::int64_t v = AsInt64();
  if (v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max()) {
    throw DbError("Value " + std::to_string(v) + " does not fit a 32-bit integer");
  }
  return static_cast<std::int32_t>(v);
}

std::int64_t Value::AsInt64() const {
  if (null_) return 0;
  if (const auto* i = std::get_if<std::int64_t>(&payload_)) return *i;
  if (const auto* d = std::get_if<double>(&payload_)) {
    if (!std::isfinite(*d) || std::fabs(*d) >= 9.2e18) {
      throw DbError("Value " + AsText() + " does not fit a 64-bit integer");
    }
    return static_cast<std::int64_t>(*d);
  }
  if (std::holds_alternative<ExtendedBytes>(payload_)) {
    const long double e = ExtendedValue();
    if (!std::isfinite(e) || std::fabs(e) >= 9.2e18L) {
      throw DbError("Value " + AsText() + " does not fit a 64-bit integer");
    }
    return static_cast<std::int64_t>(e);
  }
  if (const auto* s = std::get_if<std::string>(&payload_)) {
    std::int64_t i = 0;
    if (ParseInt64(*s, i)) return i;
    double d = 0;
    if (ParseDouble(*s, d) && std::isfinite(d) && std::fabs(d) < 9.2e18) {
      return static_cast<std::int64_t>(d);
    }
    NotNumber(*s);
  }
  throw DbError("A blob value cannot be read as a number");
}

double Value::AsDouble() const {
  if (null_) return 0.0;
  if (const auto* i = std::get_if<std::int64_t>(&payload_)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&payload_)) return *d;
  if (std::holds_alternative<ExtendedBytes>(payload_)) return static_cast<double>(ExtendedValue());
  if (const auto* s = std::get_if<std::string>(&payload_)) {
    double d = 0;
    if (ParseDouble(*s, d)) return d;
    NotNumber(*s);
  }
  throw DbError("A blob value cannot be read as a number");
}

long double Value::AsExtended() const {
  if (!null_) {
    if (std::holds_alternative<ExtendedBytes>(payload_)) return ExtendedValue();
  }
  return AsDouble();
}

std::string Value::AsText() const {
  if (null_) return std::string();
  if (type_ == ValueType::kDateTime) return DateTimeToSqlText(std::get<double>(payload_));
  if (const auto* i = std::get_if<std::int64_t>(&payload_)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&payload_)) {
    char buf[32];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, *d);
    return std::string(buf, ec == std::errc() ? p : buf);
  }
  if (std::holds_alternative<ExtendedBytes>(payload_)) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, ExtendedValue());
    return std::string(buf, ec == std::errc() ? p : buf);
  }
  if (const auto* s = std::get_if<std::string>(&payload_)) return *s;
  const auto& b = std::get<std::vector<std::uint8_t>>(payload_);
  return std::string(b.begin(), b.end());
}

std::u16string Value::AsWideText() const { return Utf8ToUtf16(AsText()); }

double Value::AsDateTime() const {
  if (null_) return 0.0;
  if (const auto* s = std::get_if<std::string>(&payload_)) {
    if (auto d = DateTimeFromSqlText(*s)) return *d;
    double d = 0;
    if (ParseDouble(*s, d)) return d;
    throw DbError("Value is not a date-time: '" + s->substr(0, 60) + "'");
  }
  return AsDouble();
}

std::vector<std::uint8_t> Value::AsBlob() const {
  if (null_) return {};
  if (const auto* b = std::get_if<std::vector<std::uint8_t>>(&payload_)) return *b;
  std::string s = AsText();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

}  // namespace tir::db
