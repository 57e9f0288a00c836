// Document sections of the main export builder: documents with their lines in three selection
// modes, the delivery mark, and the open kitchen orders of kitchen monitors.
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "db/sql_text.h"
#include "export/dn_json_builder.h"
#include "export/query_columns.h"
#include "export/section_row.h"
#include "export/tir_json_builder.h"
#include "settings/guid_forms.h"

namespace tir::exporting {

namespace {

std::string CheckedList(const char* name, const std::string& list) {
  if (!db::IsValidIdList(list)) {
    throw std::invalid_argument(std::string("Invalid id list in the token's ") + name + ": \"" +
                                list + "\"");
  }
  return list;
}

}  // namespace

std::string TDNJSonBuilder::GetGIUDFromTabelByID(db::Query& query, const std::string& table,
                                                 std::int64_t id) {
  query.SetSql("SELECT fGUID1, fGUID2 FROM " + table + " WHERE (fId=:pId);");
  query.ParamByName("pId").SetInt64(id);
  query.Open();
  std::string guid;
  if (!query.Eof()) {
    guid = gGetGUIDSTR(query.FieldByIndex(0).AsInt64(), query.FieldByIndex(1).AsInt64());
  }
  query.Close();
  return guid;
}

std::string TDNJSonBuilder::GetGIUDFromTreeID(db::Query& query, const std::string& ids) {
  if (ids == ".") return "";
  std::string result;
  for (std::size_t i = 0; i < ids.size();) {
    if (!std::isdigit(static_cast<unsigned char>(ids[i]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < ids.size() && std::isdigit(static_cast<unsigned char>(ids[end]))) ++end;
    const std::string digits = ids.substr(i, end - i);
    std::int64_t id = 0;
    try {
      id = std::stoll(digits);
    } catch (const std::out_of_range&) {
      id = 0;  // no document has such an id
    }
    result += "." + GetGIUDFromTabelByID(query, "tirDocuments", id);
    i = end;
  }
  if (!result.empty()) result += ".";
  return result;
}

std::string TDNJSonBuilder::DocsScopeFilter(const TTirTokenOne& token, bool withStoreMoves) {
  const std::string stores = CheckedList("store list", token.m1_mStoreIds);
  const std::string ents = CheckedList("entity list", token.m1_mEntIds);
  const std::string types = CheckedList("document type list", token.m1_mDocTypeIds);
  std::string filter;
  if (!stores.empty()) {
    filter += std::string(" AND ( ") + "(t1.[fStoreId] IN (" + stores + ")) " +
              " OR (t1.[fStoreId2] IN (" + stores + ")) ";
    if (withStoreMoves) {
      filter += std::string(" OR (EXISTS ( ") + "   SELECT 1 " +
                "   FROM {IF MSSQL}dbo.{fi}tirDocStoreMove m " + "   WHERE m.fDocId = t1.fId " +
                "     AND (m.fOldStoreId IN (" + stores + ")) " + " )) ";
    }
    filter += " ) ";
  }
  if (!ents.empty()) filter += " AND (t1.[fEntityId] IN (" + ents + ")) ";
  if (!types.empty()) filter += " AND (t1.[fDocType] IN (" + types + ")) ";
  return filter;
}

std::string TDNJSonBuilder::DocsFilter(int mTypeSelect, std::int32_t baseId) const {
  std::string filter = " WHERE (1=1) ";
  if (mNowRunMode == kRunDefault) {
    if (mTokenInfo.m1_mDocTypeSynk == 1) {
      filter += DocsScopeFilter(mTokenInfo, mTypeSelect == kDocsChanged);
    } else {
      filter += " AND (0=1) ";
    }
  } else if (mNowRunMode == kRunRequest) {
    // A peer of the exchange service reads only its scope, in every selection mode.
    filter += DocsScopeFilter(mTokenInfo, mTypeSelect == kDocsChanged);
  }
  if (!mDocIdsOnly.empty())
    filter += " AND (t1.[fId] IN (" + CheckedList("document id list", mDocIdsOnly) + ")) ";
  if (mTypeSelect == kDocsPeriod) {
    if (mDocPeriodDateFrom > 1.0) filter += " AND (t1.[fDateTime] >= :pDateForm) ";
    if (mDocPeriodDateTo > 1.0) filter += " AND (t1.[fDateTime] <= :pDateTo) ";
  } else if (mTypeSelect == kDocsChanged) {
    if (mReqParams.docsLastRowId > 0) {
      filter += " AND (t1.[fRV] > :pRV) ";
      if (baseId != 0) {
        filter += std::string(" AND ( ") + "   (t1.[fBaseId] <> :pBaseID) " +
                  "   OR (t1.[fSyncDate] IS NULL) " + "   OR (t1.[fSyncDate] <= 0) " + " ) ";
      }
    }
  } else if (!PeerBatch()) {
    filter += " AND (t1.[fSyncDate] <= 0) ";
  }
  return filter;
}

void TDNJSonBuilder::AddSomeLastDocs(TJsonOut& pairs, int mTypeSelect) {
  if (!StartSection("AddSomeLastDocs")) return;
  mLastIdDocsList.clear();
  const std::int32_t baseId = GetSourceBaseId();
  db::Connection& connection = FDQuery1->GetConnection();
  db::Query headers(connection), lines(connection);
  headers.SetFetchAll(false);
  lines.SetFetchAll(false);

  // The row limit: TOP on Microsoft SQL Server, LIMIT on SQLite.
  std::string top, tail;
  if (mTypeSelect != kDocsPeriod && !(mTypeSelect == kDocsRecent && PeerBatch())) {
    const std::int32_t limit = (mTypeSelect == kDocsChanged && mReqParams.docsMaxCountInResp > 0)
                                   ? mReqParams.docsMaxCountInResp
                                   : 300;
    top = "{IF MSSQL}TOP " + std::to_string(limit) + " {fi}";
    tail = "{IF SQLite} LIMIT " + std::to_string(limit) + " {fi}";
  }
  const bool byVersion = mTypeSelect == kDocsChanged;
  const std::string headerOrder =
      byVersion ? " ORDER BY t1.[fRV], t1.[fId] " : " ORDER BY t1.[fId] ";
  const std::string lineOrder =
      byVersion ? " ORDER BY t1.[fRV], t1.[fId], td.[fId] " : " ORDER BY t1.[fId], td.[fId] ";
  const std::string filter = DocsFilter(mTypeSelect, baseId);

  if (mTypeSelect == kDocsRecent && !PeerBatch()) {
    db::Query claim(connection);
    claim.SetSql(
        "UPDATE tirDocuments  SET fSyncDate = -1  WHERE fId IN (    SELECT "
        "{IF MSSQL}TOP 100 {fi}fId    FROM tirDocuments    WHERE (fSyncDate IS NULL) OR "
        "(fSyncDate <= 0)    ORDER BY fId ASC {IF SQLite} LIMIT 100 {fi} );");
    claim.ExecSql();
  }
  const auto bind = [&](db::Query& q) {
    if (q.HasParam("pDateForm")) q.ParamByName("pDateForm").SetDateTime(mDocPeriodDateFrom);
    if (q.HasParam("pDateTo")) q.ParamByName("pDateTo").SetDateTime(mDocPeriodDateTo);
    if (q.HasParam("pRV")) q.ParamByName("pRV").SetInt64(mReqParams.docsLastRowId);
    if (q.HasParam("pBaseID")) q.ParamByName("pBaseID").SetInt32(baseId);
  };
  headers.SetSql("SELECT " + top + kDocHeaderColumns + kDocHeaderJoins + filter + headerOrder +
                 tail + ";");
  bind(headers);
  headers.Open();
  if (headers.Eof()) {
    headers.Close();
    return;
  }
  lines.SetSql("WITH SelDocs AS (" + std::string(" SELECT ") + top + " t1.[fId] " +
               " FROM tirDocuments t1 " + filter + (top.empty() ? "" : headerOrder) + tail + ")" +
               "SELECT " + kDocLineColumns +
               " FROM SelDocs sd  INNER JOIN tirDocuments t1 ON t1.fId = sd.fId  INNER JOIN "
               "tirDocGoods td ON td.fDocId = t1.fId  LEFT JOIN tirGoods tg ON tg.fId = "
               "td.fGoodId  LEFT JOIN tirGoods tg2 ON tg2.fId = td.fParentGoodId  WHERE "
               "t1.[fDocType] NOT IN (4,5) " +
               lineOrder + ";");
  bind(lines);
  lines.Open();

  TSectionRow h(headers, pairs);
  const auto col = [&](const char* name) { return h.Col(name); };
  const std::size_t cId = col("fId"), cG1 = col("fGUID1"), cG2 = col("fGUID2"),
                    cType = col("fDocType"), cTagChar = col("fTagChar50"), cFn = col("fPRROFN"),
                    cRealDate = col("fPRRORealDate"), cPrroDate = col("fPRRODate"),
                    cColor = col("fColor"), cNum = col("fDocNum"), cDate = col("fDateTime"),
                    cDateReal = col("fRealDateTime"), cDesc = col("fDesc"), cTag = col("fTagInt"),
                    cTag2 = col("fTagInt2"), cTag3 = col("fTagInt3"), cSum = col("fDocSum"),
                    cInNum = col("fInputNum"), cInDate = col("fInputDate"),
                    cTransact = col("fTransactId"), cTree = col("fTreeId"), cState = col("fState"),
                    cWFrom = col("fWFrom"), cBase = col("fBaseId"), cSaleP = col("fSalePId"),
                    cVersion = col("fRV_INT64"), cCash1 = col("cashGUID1"),
                    cCash2 = col("cashGUID2"), cItem1 = col("itemcGUID1"),
                    cItem2 = col("itemcGUID2");
  const struct {
    const char* key;
    std::size_t c1, c2;
  } refs[] = {{"partner", col("partGUID1"), col("partGUID2")},
              {"store", col("store1GUID1"), col("store1GUID2")},
              {"entity", col("entGUID1"), col("entGUID2")},
              {"user", col("user1GUID1"), col("user1GUID2")},
              {"userreal", col("user2GUID1"), col("user2GUID2")},
              {"contract", col("contrGUID1"), col("contrGUID2")},
              {"table", col("tableGUID1"), col("tableGUID2")}};
  const std::size_t cStore21 = col("store2GUID1"), cStore22 = col("store2GUID2"),
                    cTr1 = col("transidGUID1"), cTr2 = col("transidGUID2");
  TSectionRow l(lines, pairs);
  const std::size_t lId = l.Col("gdocfId"), lDoc = l.Col("gdocfDocId"), lG1 = l.Col("gdocgfGUID1"),
                    lG2 = l.Col("gdocgfGUID2"), lPin = l.Col("gdocfPriceIn"),
                    lPout = l.Col("gdocfPriceOut"), lCurr = l.Col("gdocfCurrId"),
                    lDisc = l.Col("gdocfDiscount"), lSum = l.Col("gdocfSum"),
                    lQtty = l.Col("gdocfQtty"), lVat = l.Col("gdocfVatSum"),
                    lTin = l.Col("gdocfTypeInDoc"), lP1 = l.Col("gParentGoodfGUID1"),
                    lP2 = l.Col("gParentGoodfGUID2"), lPos = l.Col("gdocfPosId"),
                    lTag = l.Col("gdocfStrTag1"), lDesc = l.Col("gdocfDesc"),
                    lStamp = l.Col("gdocfExStamp");

  pairs.Key("docs");
  pairs.StartArray();
  for (; !headers.Eof(); headers.Next()) {
    const std::int64_t id = h.Int64(cId);
    const std::int64_t type = h.Int64(cType);
    const bool receipt = type == kDocSale || type == kDocCustomerReturn;
    pairs.StartObject();
    h.Guid("guid", cG1, cG2);
    for (const auto& ref : refs) {
      // Users travel only where they may; a document then names none, so that it loads.
      const bool user = ref.c1 == refs[3].c1 || ref.c1 == refs[4].c1;
      if (user && !mUsersAllowed) {
        pairs.Str(ref.key, "");
      } else {
        h.Guid(ref.key, ref.c1, ref.c2);
      }
    }
    if (type == kDocStoreMove) h.Guid("storeto", cStore21, cStore22);
    if (receipt) {
      if (!h.IsNull(cTagChar)) h.Str("rrodevnum", cTagChar);
      if (!h.IsNull(cFn)) h.Str("rrocnum", cFn);
      if (!h.IsNull(cRealDate)) h.Date("rrorealdate", cRealDate);
      h.Int64("rrodateint", cPrroDate);
    }
    if (!h.IsNull(cColor)) h.Int64("color", cColor);
    pairs.Int64("lid", id);
    h.Int64("num", cNum);
    h.Date("date", cDate);
    h.Date("datereal", cDateReal);
    h.Str("desc", cDesc);
    h.Int("tagint", cTag);
    h.Int("tagint2", cTag2);
    h.Int("tagint3", cTag3);
    pairs.Int("type", static_cast<std::int32_t>(type));
    h.Num("sum", cSum);
    h.Str("innum", cInNum);
    h.Date("indate", cInDate);
    h.Int64("transact", cTransact);
    h.Guid("transactguid", cTr1, cTr2);
    const std::string tree = h.Text(cTree);
    pairs.Str("tree", tree);
    pairs.Str("treeguid", GetGIUDFromTreeID(*FDQuery1, tree));
    h.Int("state", cState);
    h.Int("wfrom", cWFrom);
    h.Int("baseid", cBase);
    h.Int("salepid", cSaleP);
    h.Int64("version", cVersion);
    if (!h.IsNull(cCash1) && !h.IsNull(cCash2)) h.Guid("moneyaccid", cCash1, cCash2);
    if (!h.IsNull(cItem1) && !h.IsNull(cItem2)) h.Guid("itemcostid", cItem1, cItem2);
    pairs.Key("docgoods");
    pairs.StartArray();
    if (type != 4 && type != 5) {
      for (; !lines.Eof() && l.Int64(lDoc) == id; lines.Next()) {
        pairs.StartObject();
        l.Int64("lposid", lId);
        l.Guid("guid", lG1, lG2);
        l.Num("pin", lPin);
        l.Num("pout", lPout);
        l.Int("curr", lCurr);
        l.Num("disc", lDisc);
        l.Num("sum", lSum);
        l.Num("qtty", lQtty);
        l.Num("vatsum", lVat);
        l.Int("tindoc", lTin);
        l.Guid("parentid", lP1, lP2);
        l.Int("posdoc", lPos);
        l.Str("tag1", lTag);
        l.Str("desc", lDesc);
        l.Str("exstamp", lStamp);
        pairs.EndObject();
      }
    }
    pairs.EndArray();
    pairs.EndObject();
    if (!mLastIdDocsList.empty()) mLastIdDocsList += ",";
    mLastIdDocsList += std::to_string(id);
    if (RowDone()) break;
  }
  pairs.EndArray();
  headers.Close();
  lines.Close();
}

void TDNJSonBuilder::MarkLastDocsAsSended() {
  if (mLastIdDocsList.empty()) return;
  CheckIdList("mLastIdDocsList", mLastIdDocsList);
  FDQuery1->SetSql(
      "UPDATE tirDocuments SET fSyncDate=GETDATE(),fSyncState=1  WHERE (NOT(fSyncDate IS NULL)) "
      "AND (fId  IN (" +
      mLastIdDocsList + "));");
  FDQuery1->ExecSql();
}

void TDNJSonBuilder::AddDocCookOrdersActive(TJsonOut& pairs) {
  if (!StartSection("AddDocCookOrdersActive")) return;
  db::Query& q = *FDQuery2;
  q.SetFetchAll(false);
  // A peer of the exchange service sees the kitchen orders of its own scope only.
  const std::string scope = mNowRunMode == kRunRequest ? DocsScopeFilter(mTokenInfo, false) : "";
  const std::string scoped =
      scope.empty()
          ? ""
          : " AND tDoc.fId IN (SELECT t1.fId FROM tirDocuments t1 WHERE (1=1) " + scope + ")";
  q.SetSql(
      "SELECT\ttDoc.fDocNum\t,tDoc.fId\t,tDoc.fGUID1\t,tDoc.fGUID2\t,tDG.fQtty\t,tDG.fPosId\t,"
      "tDG.fTypeInDoc\t,tGood.fName\t,tGood.fUnitType ,tDoc.fDateTime FROM [tirDocuments] tDoc "
      "LEFT JOIN [tirDocGoods] tDG ON tDoc.fId = tDG.fDocId LEFT JOIN [tirGoods] tGood ON "
      "tGood.fId = tDG.fGoodId WHERE  (tDoc.fDocType = 6)  AND (tDG.fTypeInDoc in (0,1))" +
      scoped + " ORDER BY tDoc.fDateTime, tDoc.fId, fPosId;");
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cNum = r.Col("fDocNum"), cId = r.Col("fId"), cG1 = r.Col("fGUID1"),
                    cG2 = r.Col("fGUID2"), cQtty = r.Col("fQtty"), cPos = r.Col("fPosId"),
                    cStatus = r.Col("fTypeInDoc"), cName = r.Col("fName"),
                    cUnit = r.Col("fUnitType"), cDate = r.Col("fDateTime");
  pairs.Key("docs");
  pairs.StartArray();
  while (!q.Eof()) {
    const std::int64_t id = r.Int64(cId), pos = r.Int64(cPos);
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    pairs.Int64("lid", id);
    pairs.Int64("num", r.Int64(cNum) % 100);
    pairs.Int("orderposindoc", static_cast<std::int32_t>(pos));
    r.Int("orderstatus", cStatus);
    r.Date("date", cDate);
    pairs.Key("goods");
    pairs.StartArray();
    for (; !q.Eof() && r.Int64(cId) == id && r.Int64(cPos) == pos; q.Next()) {
      pairs.StartObject();
      r.Num("qtty", cQtty);
      r.Str("name", cName);
      r.Str("unit", cUnit);
      pairs.EndObject();
    }
    pairs.EndArray();
    pairs.EndObject();
    if (RowDone()) break;
  }
  pairs.EndArray();
  q.Close();
}

}  // namespace tir::exporting
