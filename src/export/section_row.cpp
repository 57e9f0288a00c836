#include "export/section_row.h"

#include "export/query_columns.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

std::size_t TSectionRow::Col(std::string_view name) const { return ColumnOf(q_, name); }

namespace {

// The 36-character GUID text of a pair, as gGetGUIDSTR writes it, without a formatted print
// (GUIDs are the most frequent value of an export).
void GuidText(std::int64_t guid1, std::int64_t guid2, char* out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const TGUID g = gGUIDFromPair(guid1, guid2);
  std::uint8_t bytes[16] = {
      static_cast<std::uint8_t>(g.D1 >> 24), static_cast<std::uint8_t>(g.D1 >> 16),
      static_cast<std::uint8_t>(g.D1 >> 8),  static_cast<std::uint8_t>(g.D1),
      static_cast<std::uint8_t>(g.D2 >> 8),  static_cast<std::uint8_t>(g.D2),
      static_cast<std::uint8_t>(g.D3 >> 8),  static_cast<std::uint8_t>(g.D3)};
  for (int i = 0; i < 8; ++i) bytes[8 + i] = g.D4[i];
  int at = 0;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out[at++] = '-';
    out[at++] = kHex[bytes[i] >> 4];
    out[at++] = kHex[bytes[i] & 15];
  }
}

}  // namespace

std::string TSectionRow::Guid(std::size_t col1, std::size_t col2) const {
  std::string text(36, '0');
  GuidText(At(col1).AsInt64(), At(col2).AsInt64(), text.data());
  return text;
}

void TSectionRow::Str(std::string_view key, std::size_t col) {
  const db::Value& v = At(col);
  out_.Key(key);
  if (const std::string* text = v.TextPayload()) {
    out_.Str(*text);
  } else {
    out_.Str(v.AsText());
  }
}

void TSectionRow::Int(std::string_view key, std::size_t col) { out_.Int(key, At(col).AsInt32()); }

void TSectionRow::Int64(std::string_view key, std::size_t col) {
  out_.Int64(key, At(col).AsInt64());
}

void TSectionRow::Num(std::string_view key, std::size_t col) { out_.Num(key, At(col).AsDouble()); }

void TSectionRow::Date(std::string_view key, std::size_t col) {
  out_.Str(key, gDateToJSON(At(col).AsDateTime()));
}

void TSectionRow::Guid(std::string_view key, std::size_t col1, std::size_t col2) {
  char text[36];
  GuidText(At(col1).AsInt64(), At(col2).AsInt64(), text);
  out_.Str(key, std::string_view(text, sizeof text));
}

}  // namespace tir::exporting
