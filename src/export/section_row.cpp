#include "export/section_row.h"

#include "export/query_columns.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

std::size_t TSectionRow::Col(std::string_view name) const { return ColumnOf(q_, name); }

std::string TSectionRow::Guid(std::size_t col1, std::size_t col2) const {
  return gGetGUIDSTR(At(col1).AsInt64(), At(col2).AsInt64());
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
  out_.Str(key, Guid(col1, col2));
}

}  // namespace tir::exporting
