#include "db/odbc_params.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "db/date_time.h"
#include "db/unicode_case.h"

namespace tir::db::odbc {

namespace {

// Longest NVARCHAR / VARBINARY a server takes without the (MAX) form.
constexpr std::size_t kMaxWideChars = 4000;
constexpr std::size_t kMaxBytes = 8000;

ValueType TypeOf(std::size_t rows, const std::function<const Value&(std::size_t)>& value) {
  for (std::size_t row = 0; row < rows; ++row) {
    if (!value(row).IsNull()) return value(row).Type();
  }
  return rows == 0 ? ValueType::kNull : value(0).Type();
}

template <typename T>
void Fixed(ParamBuffer& p, SQLSMALLINT cType, SQLSMALLINT sqlType, std::size_t rows,
           const std::function<const Value&(std::size_t)>& value, T (*convert)(const Value&)) {
  p.cType = cType;
  p.sqlType = sqlType;
  p.width = sizeof(T);
  p.data.assign(rows * sizeof(T), 0);
  for (std::size_t row = 0; row < rows; ++row) {
    const Value& v = value(row);
    if (v.IsNull()) {
      p.lengths[row] = SQL_NULL_DATA;
      continue;
    }
    const T t = convert(v);
    std::memcpy(p.data.data() + row * sizeof(T), &t, sizeof(T));
    p.lengths[row] = sizeof(T);
  }
}

SQL_TIMESTAMP_STRUCT Timestamp(const Value& v) {
  const CivilTime t = DecodeDateTime(v.AsDateTime());
  SQL_TIMESTAMP_STRUCT ts{};
  ts.year = static_cast<SQLSMALLINT>(t.year);
  ts.month = static_cast<SQLUSMALLINT>(t.month);
  ts.day = static_cast<SQLUSMALLINT>(t.day);
  ts.hour = static_cast<SQLUSMALLINT>(t.hour);
  ts.minute = static_cast<SQLUSMALLINT>(t.minute);
  ts.second = static_cast<SQLUSMALLINT>(t.second);
  ts.fraction = static_cast<SQLUINTEGER>(t.millisecond) * 1000000U;
  return ts;
}

// Text and blobs: every row gets the width of the longest, `unit` bytes per character.
template <typename Bytes>
void Variable(ParamBuffer& p, std::size_t rows, const std::vector<Bytes>& items,
              const std::vector<bool>& nulls, std::size_t unit, std::size_t terminator) {
  std::size_t longest = 0;
  for (const Bytes& b : items) longest = std::max(longest, b.size());
  p.columnSize = std::max<std::size_t>(longest, 1);
  p.width = static_cast<SQLLEN>(std::max<std::size_t>((longest + terminator) * unit, 1));
  p.data.assign(rows * static_cast<std::size_t>(p.width), 0);
  for (std::size_t row = 0; row < rows; ++row) {
    if (nulls[row]) {
      p.lengths[row] = SQL_NULL_DATA;
      continue;
    }
    std::memcpy(p.data.data() + row * static_cast<std::size_t>(p.width), items[row].data(),
                items[row].size() * unit);
    p.lengths[row] = static_cast<SQLLEN>(items[row].size() * unit);
  }
}

}  // namespace

ParamBuffer FillParam(std::size_t rows, const std::function<const Value&(std::size_t)>& value,
                      bool wideText) {
  ParamBuffer p;
  p.lengths.assign(rows, SQL_NULL_DATA);
  std::vector<bool> nulls(rows);
  for (std::size_t row = 0; row < rows; ++row) nulls[row] = value(row).IsNull();
  switch (TypeOf(rows, value)) {
    case ValueType::kInt32:
      Fixed<SQLINTEGER>(p, SQL_C_SLONG, SQL_INTEGER, rows, value,
                        [](const Value& v) { return static_cast<SQLINTEGER>(v.AsInt32()); });
      break;
    case ValueType::kInt64:
      Fixed<SQLBIGINT>(p, SQL_C_SBIGINT, SQL_BIGINT, rows, value,
                       [](const Value& v) { return static_cast<SQLBIGINT>(v.AsInt64()); });
      break;
    case ValueType::kDouble:
    case ValueType::kExtended:
      Fixed<double>(p, SQL_C_DOUBLE, SQL_DOUBLE, rows, value,
                    [](const Value& v) { return v.AsDouble(); });
      p.columnSize = 15;
      break;
    case ValueType::kDateTime:
      Fixed<SQL_TIMESTAMP_STRUCT>(p, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, rows, value,
                                  &Timestamp);
      p.columnSize = 23;
      p.digits = 3;
      break;
    case ValueType::kText:
      if (wideText) {
        std::vector<std::u16string> items(rows);
        for (std::size_t row = 0; row < rows; ++row) {
          if (!nulls[row]) items[row] = Utf8ToUtf16(value(row).AsText());
        }
        Variable(p, rows, items, nulls, sizeof(char16_t), 1);
        p.cType = SQL_C_WCHAR;
        p.sqlType = p.columnSize > kMaxWideChars ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
      } else {
        std::vector<std::string> items(rows);
        for (std::size_t row = 0; row < rows; ++row) {
          if (!nulls[row]) items[row] = value(row).AsText();
        }
        Variable(p, rows, items, nulls, 1, 1);
        p.cType = SQL_C_CHAR;
        p.sqlType = p.columnSize > kMaxBytes ? SQL_LONGVARCHAR : SQL_VARCHAR;
      }
      break;
    case ValueType::kBlob: {
      std::vector<std::vector<std::uint8_t>> items(rows);
      for (std::size_t row = 0; row < rows; ++row) {
        if (!nulls[row]) items[row] = value(row).AsBlob();
      }
      Variable(p, rows, items, nulls, 1, 0);
      p.cType = SQL_C_BINARY;
      p.sqlType = p.columnSize > kMaxBytes ? SQL_LONGVARBINARY : SQL_VARBINARY;
      break;
    }
    case ValueType::kNull:
      p.data.assign(rows, 0);  // an untyped NULL in every row
      break;
  }
  return p;
}

}  // namespace tir::db::odbc
