// Documents section of the universal JSON builder.
#include <string>

#include "export/query_columns.h"
#include "export/tir_json_builder.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "settings/tir_codes.h"

namespace tir::exporting {

void TTirJSonBuilder::AddDoc(std::int64_t pfId, double pDateFrom, double pDateTo,
                             const std::string& pEntIds, const std::string& pStoreIDs) {
  CheckIdList("pEntIds", pEntIds);
  CheckIdList("pStoreIDs", pStoreIDs);
  json::Array docs = mJson.SetNewArray("docs");

  std::string sql = std::string("SELECT ") + kDocHeaderColumns + "," + kDocLineColumns +
                    kDocHeaderJoins +
                    " LEFT JOIN tirDocGoods td ON td.fDocId=t1.fId "
                    " LEFT JOIN tirGoods tg ON tg.fId=td.fGoodId "
                    " LEFT JOIN tirGoods tg2 ON tg2.fId=td.fParentGoodId ";
  if (pfId == 0) {
    sql += " WHERE ((t1.fDateTime>=:pDateFrom)AND(t1.fDateTime<=:pDateTo)) ";
  } else {
    sql += " WHERE (t1.fId=" + std::to_string(pfId) + ") ";
  }
  if (!pEntIds.empty()) sql += " AND (t1.fEntityId in (" + pEntIds + ")) ";
  if (!pStoreIDs.empty()) {
    sql += " AND ((t1.fStoreId in (" + pStoreIDs + ")) OR (t1.fStoreId2 in (" + pStoreIDs +
           ")) OR (NOT (t1.[fDocType] in (1,2,6,7,8,9,10,11,12,13,-13,14))) )";
  }
  sql += " ORDER BY t1.fDateTime, t1.fDocType, t1.fId;";

  FDQuery2.SetSql(sql);
  if (pfId == 0) {
    FDQuery2.ParamByName("pDateFrom").SetDateTime(pDateFrom);
    FDQuery2.ParamByName("pDateTo").SetDateTime(pDateTo);
  }
  FDQuery2.Open();
  const db::Query& q = FDQuery2;
  const auto col = [&](const char* name) { return ColumnOf(q, name); };
  const std::size_t cId = col("fId"), cNum = col("fDocNum"), cDate = col("fDateTime"),
                    cDesc = col("fDesc"), cType = col("fDocType"), cSum = col("fDocSum"),
                    cInNum = col("fInputNum"), cInDate = col("fInputDate"),
                    cTransact = col("fTransactId"), cState = col("fState"),
                    cChar50 = col("fTagChar50"), cTagInt = col("fTagInt"), cG1 = col("fGUID1"),
                    cG2 = col("fGUID2");
  const std::size_t lId = col("gdocfId"), lPin = col("gdocfPriceIn"), lPout = col("gdocfPriceOut"),
                    lDisc = col("gdocfDiscount"), lSum = col("gdocfSum"), lQtty = col("gdocfQtty"),
                    lVat = col("gdocfVatSum"), lTin = col("gdocfTypeInDoc"),
                    lParent = col("gdocfParentGoodId"), lPos = col("gdocfPosId"),
                    lTag = col("gdocfStrTag1"), lG1 = col("gdocgfGUID1"), lG2 = col("gdocgfGUID2");
  struct GuidCols {
    std::size_t c1;
    std::size_t c2;
  };
  const auto guidCols = [&](const char* c1, const char* c2) { return GuidCols{col(c1), col(c2)}; };
  const GuidCols gPart = guidCols("partGUID1", "partGUID2"),
                 gStore = guidCols("store1GUID1", "store1GUID2"),
                 gEnt = guidCols("entGUID1", "entGUID2"),
                 gUser = guidCols("user1GUID1", "user1GUID2"),
                 gContr = guidCols("contrGUID1", "contrGUID2"),
                 gStoreTo = guidCols("store2GUID1", "store2GUID2"),
                 gCash = guidCols("cashGUID1", "cashGUID2"),
                 gItemCost = guidCols("itemcGUID1", "itemcGUID2");
  const auto guid = [&](const GuidCols& g) { return GuidOf(q, g.c1, g.c2); };
  const auto integer = [&](std::size_t c) { return q.FieldByIndex(c).AsInt64(); };
  const auto num = [&](std::size_t c) { return q.FieldByIndex(c).AsDouble(); };
  const auto text = [&](std::size_t c) { return q.FieldByIndex(c).AsText(); };

  std::int64_t rows = 0;
  const auto next = [&] {
    FDQuery2.Next();
    if (++rows % 10 == 0) frame::ProcessMessages();
  };
  while (!q.Eof()) {
    const std::int64_t id = integer(cId);
    const std::int64_t type = integer(cType);
    json::Object doc = docs.AppendNewObject();
    doc.SetString("guid", GuidOf(q, cG1, cG2));
    doc.SetString("partner", guid(gPart));
    doc.SetString("store", guid(gStore));
    doc.SetString("entity", guid(gEnt));
    doc.SetString("user", guid(gUser));
    doc.SetString("contract", guid(gContr));
    if (type == kDocStoreMove) doc.SetString("storeto", guid(gStoreTo));
    if (type == kDocProduction) doc.SetInt64("prodtype", integer(cTagInt));
    doc.SetInt64("lid", id);
    doc.SetInt64("num", integer(cNum));
    doc.SetString("date", DateToJSON(q.FieldByIndex(cDate).AsDateTime()));
    doc.SetString("desc", text(cDesc));
    doc.SetInt64("type", type);
    doc.SetNumber("sum", num(cSum));
    doc.SetString("innum", text(cInNum));
    doc.SetString("indate", DateToJSON(q.FieldByIndex(cInDate).AsDateTime()));
    doc.SetInt64("treeid", integer(cTransact));
    doc.SetInt64("state", integer(cState));
    if (type == kDocSale || type == kDocCustomerReturn) {
      doc.SetInt64("rrocnum", integer(cTagInt));
      if (!q.FieldByIndex(cChar50).IsNull()) doc.SetString("rrodevnum", text(cChar50));
    }
    const bool money = type == kDocMoneyIn || type == kDocMoneyOut;
    if (money) {
      doc.SetString("moneyaccid", guid(gCash));
      doc.SetString("itemcostid", guid(gItemCost));
    }
    json::Array lines = doc.SetNewArray("docgoods");
    if (!money) {
      while (!q.Eof() && integer(cId) == id) {
        json::Object line = lines.AppendNewObject();
        line.SetInt64("lposid", integer(lId));
        line.SetString("guid", GuidOf(q, lG1, lG2));
        line.SetNumber("pin", num(lPin));
        line.SetNumber("pout", num(lPout));
        line.SetNumber("disc", num(lDisc));
        line.SetNumber("sum", num(lSum));
        line.SetNumber("qtty", num(lQtty));
        line.SetNumber("vatsum", num(lVat));
        line.SetInt64("tindoc", integer(lTin));
        line.SetInt64("parentid", integer(lParent));
        line.SetInt64("posdoc", integer(lPos));
        line.SetString("tag1", text(lTag));
        next();
      }
    }
    if (!q.Eof() && integer(cId) == id) next();
  }
  FDQuery2.Close();
}

}  // namespace tir::exporting
