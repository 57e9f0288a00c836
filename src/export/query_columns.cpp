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

const char* const kRecipesSql =
    "SELECT t1.[fId] ,t1.[fGoodId],t1.[fCompId],t1.[fCount],t1.[fCountOut],"
    "t1.[fDesc],t1.[fCHot],t1.[fCCold],tg1.[fWeightOut] AS fQttyOut,"
    "tg1.[fGUID1] AS g1UID1,tg1.[fGUID2] AS g1UID2,tg2.[fGUID1] AS g2UID1,"
    "tg2.[fGUID2] AS g2UID2 FROM tirRecipes t1  LEFT JOIN tirGoods tg1 ON "
    "tg1.fId=t1.fGoodId  LEFT JOIN tirGoods tg2 ON tg2.fId=t1.fCompId  WHERE "
    "(1=1) ORDER BY t1.[fGoodId];";

const char* const kDocHeaderColumns =
    "t1.[fId], t1.[fDocNum], t1.[fDateTime], t1.[fRealDateTime], t1.[fEntityId], "
    "t1.[fPartnerId], t1.[fStoreId], t1.[fContractId], t1.[fUserId], t1.[fRealUserId], "
    "t1.[fDesc], t1.[fDocType], t1.[fDocSum], t1.[fCurrId], t1.[fCurrRate], "
    "t1.[fCashAccountId], t1.[fItemCost], t1.[fInputNum], t1.[fInputDate], t1.[fTransactId], "
    "t1.[fPr], t1.[fTreeId], t1.[fState], t1.[fStoreId2], t1.[fTagChar50], t1.[fTagInt], "
    "t1.[fTagInt2], t1.[fTagInt3], t1.[fIsPaid], t1.[fTableId], t1.[fColor], t1.[fPRRODate], "
    "t1.[fPRROFN], t1.[fPRRORealDate], t1.[fWFrom], t1.[fPayCardId], t1.[fBaseId], "
    "t1.[fSalePId], t1.[fRV], t1.[fSyncDate], t1.[fSyncState], t1.[fGUID1], t1.[fGUID2] "
    "{IF MSSQL},CAST(CAST(t1.[fRV] AS BINARY(8)) AS BIGINT) AS fRV_INT64 {fi}"
    "{IF SQLite},0 AS fRV_INT64 {fi}"
    ",tpart.[fGUID1] AS partGUID1, tpart.[fGUID2] AS partGUID2"
    ",tent.[fGUID1] AS entGUID1, tent.[fGUID2] AS entGUID2"
    ",tstore1.[fGUID1] AS store1GUID1, tstore1.[fGUID2] AS store1GUID2"
    ",tstore2.[fGUID1] AS store2GUID1, tstore2.[fGUID2] AS store2GUID2"
    ",tcontr.[fGUID1] AS contrGUID1, tcontr.[fGUID2] AS contrGUID2"
    ",tuser1.[fGUID1] AS user1GUID1, tuser1.[fGUID2] AS user1GUID2"
    ",tuser2.[fGUID1] AS user2GUID1, tuser2.[fGUID2] AS user2GUID2"
    ",tcash.[fGUID1] AS cashGUID1, tcash.[fGUID2] AS cashGUID2"
    ",titemc.[fGUID1] AS itemcGUID1, titemc.[fGUID2] AS itemcGUID2"
    ",ttable.[fGUID1] AS tableGUID1, ttable.[fGUID2] AS tableGUID2"
    ",transid.[fGUID1] AS transidGUID1, transid.[fGUID2] AS transidGUID2 ";

const char* const kDocHeaderJoins =
    " FROM tirDocuments t1 "
    " LEFT JOIN tirPartners tpart ON tpart.fId=t1.fPartnerId "
    " LEFT JOIN tirEntities tent ON tent.fId=t1.fEntityId "
    " LEFT JOIN tirStores tstore1 ON tstore1.fId=t1.fStoreId "
    " LEFT JOIN tirStores tstore2 ON tstore2.fId=t1.fStoreId2 "
    " LEFT JOIN tirContracts tcontr ON tcontr.fId=t1.fContractId "
    " LEFT JOIN tirUsers tuser1 ON tuser1.fId=t1.fUserId "
    " LEFT JOIN tirUsers tuser2 ON tuser2.fId=t1.fRealUserId "
    " LEFT JOIN tirCashAccounts tcash ON tcash.fId=t1.fCashAccountId "
    " LEFT JOIN tirItemCost titemc ON titemc.fId=t1.fItemCost "
    " LEFT JOIN tirTables ttable ON ttable.fId=t1.fTableId "
    " LEFT JOIN tirDocuments transid ON transid.fId=t1.fTransactId ";

const char* const kDocLineColumns =
    "td.[fId] AS gdocfId, td.[fDocId] AS gdocfDocId, td.[fGoodId] AS gdocfGoodId, "
    "td.[fPriceIn] AS gdocfPriceIn, td.[fPriceOut] AS gdocfPriceOut, "
    "td.[fDiscount] AS gdocfDiscount, td.[fCurrId] AS gdocfCurrId, "
    "td.[fUnitType] AS gdocfUnitType, td.[fSum] AS gdocfSum, td.[fQtty] AS gdocfQtty, "
    "td.[fVatSum] AS gdocfVatSum, td.[fTypeInDoc] AS gdocfTypeInDoc, "
    "td.[fParentGoodId] AS gdocfParentGoodId, td.[fStrTag1] AS gdocfStrTag1, "
    "td.[fExStamp] AS gdocfExStamp, td.[fPosId] AS gdocfPosId, td.[fDesc] AS gdocfDesc, "
    "tg.[fGUID1] AS gdocgfGUID1, tg.[fGUID2] AS gdocgfGUID2, "
    "tg2.[fGUID1] AS gParentGoodfGUID1, tg2.[fGUID2] AS gParentGoodfGUID2 ";

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

std::string GoodsJoins(bool withStock, const std::string& entIds, const std::string& storeIds) {
  std::string sql = " LEFT JOIN tirGoodsGroups t2 ON t2.fId = tg.fGroupID ";
  sql += " LEFT JOIN tirPartners tp ON tp.fId = tg.fMainPartner ";
  sql += " LEFT JOIN tirUktzed tuktzed ON tuktzed.fId = tg.fUKTZED ";
  if (withStock) {
    sql += " LEFT JOIN tirAStoreNow tstr ON (tg.fId = tstr.fGoodId) ";
    if (!entIds.empty()) sql += " AND (tstr.fEntId IN (" + entIds + ")) ";
    if (!storeIds.empty()) sql += " AND (tstr.fStoreId IN (" + storeIds + ")) ";
  }
  return sql;
}

}  // namespace tir::exporting
