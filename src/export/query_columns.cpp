#include "export/query_columns.h"

#include <string>

#include "db/db_error.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::size_t ColumnOf(const db::Query& query, std::string_view name) {
  for (std::size_t i = 0; i < query.FieldCount(); ++i) {
    if (SameName(query.FieldName(i), name)) return i;
  }
  throw db::DbError("Field '" + std::string(name) + "' not found");
}

std::string GuidOf(const db::Query& query, std::size_t col1, std::size_t col2) {
  return gGetGUIDSTR(query.FieldByIndex(col1).AsInt64(), query.FieldByIndex(col2).AsInt64());
}

std::string GoodsTableColumns(bool withColor, const std::string& beforeExtras) {
  std::string cols =
      "tg.[fId] ,tg.[fCode] ,tg.[fName] ,tg.[fNameFull] ,tg.[fDesc] ,tg.[fBarCode] "
      ",tg.[fBarCodeList] ,tg.[fBarCode2] ,tg.[fBarCode3] ,tg.[fUnitType] ,tg.[fUnitType2] "
      ",tg.[fUnitType3] ,tg.[fCoeff2] ,tg.[fCoeff3] ,tg.[fType] ,tg.[fVATGroup] ";
  if (withColor) cols += ",tg.[fColor] ";
  cols += ",tg.[fVisible] ,tg.[fGroupID] ,tg.[fPriceIn] ";
  for (int i = 1; i <= 10; ++i) cols += ",tg.[fPriceOut" + std::to_string(i) + "] ";
  cols +=
      ",tg.[fDeleted] ,tg.[fMinCount] ,tg.[fNomCount] ,tg.[fMainPartner] ,tg.[fSCPLU] "
      ",tg.[fSCSrokG] ,tg.[fSCPiece] ,tg.[fSCTare] ,tg.[fWeightOut] ,tg.[fProcLost] " +
      beforeExtras;
  for (int i = 1; i <= 5; ++i) cols += ",tg.[fpdop" + std::to_string(i) + "] ";
  return cols;
}

}  // namespace tir::exporting
