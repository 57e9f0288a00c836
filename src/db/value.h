#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tir::db {

// Declared type of a parameter or field value. A NULL keeps its type (typed NULL).
enum class ValueType : std::uint8_t {
  kNull,  // untyped NULL
  kInt32,
  kInt64,
  kDouble,
  kExtended,  // long double; stored as double on SQLite
  kText,      // UTF-8 text (the layer's form of wide text)
  kDateTime,  // day number with fraction counted from 1899-12-30, local time
  kBlob,
};

// One parameter or field value: a type tag, a null flag and the payload.
class Value {
 public:
  Value() = default;

  static Value Null(ValueType type = ValueType::kNull);
  static Value Int32(std::int32_t v);
  static Value Int64(std::int64_t v);
  static Value Double(double v);
  static Value Extended(long double v);
  static Value Text(std::string utf8);
  static Value WideText(const std::u16string& utf16);
  static Value DateTime(double dayNumber);
  static Value Blob(std::vector<std::uint8_t> bytes);

  ValueType Type() const { return type_; }
  bool IsNull() const { return null_; }

  // Conversions; a NULL converts to 0, 0.0 or the empty text. Text that is not a number raises
  // DbError. Date-time text "YYYY-MM-DD HH:MM:SS[.SSS]" converts to a day number.
  std::int32_t AsInt32() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  long double AsExtended() const;
  std::string AsText() const;
  std::u16string AsWideText() const;
  double AsDateTime() const;
  std::vector<std::uint8_t> AsBlob() const;
  bool AsBool() const { return AsInt64() != 0; }

  // The stored payload without conversion or copy, for backends that bind values; nullptr when
  // the value holds another kind of payload (or is NULL and was never given one).
  const std::int64_t* IntPayload() const { return std::get_if<std::int64_t>(&payload_); }
  const double* DoublePayload() const { return std::get_if<double>(&payload_); }
  const std::string* TextPayload() const { return std::get_if<std::string>(&payload_); }
  const std::vector<std::uint8_t>* BlobPayload() const {
    return std::get_if<std::vector<std::uint8_t>>(&payload_);
  }

 private:
  // A long double is kept as its bytes so that the payload needs no 16-byte alignment: a Value
  // stays 48 bytes, which matters for large parameter arrays.
  using ExtendedBytes = std::array<unsigned char, sizeof(long double)>;
  using Payload = std::variant<std::monostate, std::int64_t, double, ExtendedBytes, std::string,
                               std::vector<std::uint8_t>>;
  long double ExtendedValue() const;
  ValueType type_ = ValueType::kNull;
  bool null_ = true;
  Payload payload_;
};

}  // namespace tir::db
