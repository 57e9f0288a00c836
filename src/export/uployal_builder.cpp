#include "export/uployal_builder.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "db/sql_text.h"
#include "db/unicode_case.h"
#include "export/section_row.h"
#include "settings/number_forms.h"
#include "settings/value_params.h"

namespace tir::exporting {

namespace {

constexpr const char* kCRLF = "\r\n";

// The rows pPos … pPos+pCount-1 of an ordered query; SQLite has no OFFSET … FETCH.
std::string PageClause(std::int64_t pPos, std::int64_t pCount) {
  if (pPos < 0) throw std::invalid_argument("the first row of a page cannot be negative");
  if (pCount < 1) throw std::invalid_argument("a page holds at least one row");
  const std::string pos = std::to_string(pPos), count = std::to_string(pCount);
  return "{IF MSSQL} OFFSET " + pos + " ROWS FETCH NEXT " + count + " ROWS ONLY;{fi}" +
         "{IF SQLite} LIMIT " + count + " OFFSET " + pos + ";{fi}";
}

// A price as the "0.00" text, with the host's decimal separator.
std::string PriceText(long double value) {
  long double rounded = TirRountFloatToDig(value, 2);
  if (rounded == 0) rounded = 0;  // no "-0.00"
  char text[64];
  std::snprintf(text, sizeof text, "%.2Lf", rounded);
  std::string out(text);
  const char16_t sep = gValueParams.fDecSeparator;
  const std::size_t dot = out.find('.');
  if (dot != std::string::npos && sep != u'.') {
    std::string utf8;
    db::EncodeUtf8(sep, utf8);
    out.replace(dot, 1, utf8);
  }
  return out;
}

}  // namespace

TDNJSUployalBuilder::TDNJSUployalBuilder(db::Connection& connection)
    : TDNJSonBuilder(connection, TSectionForms::kLoyalty) {}

bool TDNJSUployalBuilder::IsRowValueIdList(const std::string& list) {
  std::size_t i = 0;
  while (i < list.size()) {
    if (i > 0 && list[i++] != ',') return false;
    if (i >= list.size() || list[i++] != '(') return false;
    const std::size_t digits = i;
    while (i < list.size() && list[i] >= '0' && list[i] <= '9') ++i;
    if (i == digits || i - digits > 18) return false;
    if (i >= list.size() || list[i++] != ')') return false;
  }
  return true;
}

template <class Write>
void TDNJSUployalBuilder::BuildArray(Write write) {
  if (ifExitNOW()) return;
  StartOwnRun();
  try {
    GenAllGUIDs();
    TJsonText text;
    TJsonOut array(text);
    array.StartArray();
    write(array);
    array.EndArray();
    SetRunText(text.TakePieces());
  } catch (...) {
    ReportError(std::current_exception());
  }
}

void TDNJSUployalBuilder::RunBuildUployalCategories(const std::string& pCatId_LoyalOFF) {
  BuildArray(
      [&](TJsonOut& array) { Uployal_AddAllGroups(array, "tirGoodsGroups", pCatId_LoyalOFF); });
}

void TDNJSUployalBuilder::Uployal_AddAllGroups(TJsonOut& array, const std::string& pNameTbl,
                                               const std::string& pCatId_LoyalOFF) {
  if (!db::IsPlainIdentifier(pNameTbl)) {
    throw std::invalid_argument("Invalid group table name: \"" + pNameTbl + "\"");
  }
  if (!IsRowValueIdList(pCatId_LoyalOFF)) {
    throw std::invalid_argument("Invalid group id list \"" + pCatId_LoyalOFF +
                                "\": expected the form (12),(15)");
  }
  const std::string& table = pNameTbl;
  const std::string& list = pCatId_LoyalOFF;
  db::Query& q = Query1();
  if (list.empty()) {
    q.SetSql(
        "SELECT t1.[fId], t1.[fcl], t1.[fcr], t1.[fclev], t1.[fName], t1.[fGUID1], "
        "t1.[fGUID2], 0 AS fPercent FROM " +
        table + " t1  " + " ORDER BY t1.fcl;");
  } else {
    // SQLite takes no column names after a derived table's alias: its VALUES rows are named
    // column1, … and renamed in a select of their own.
    q.SetSql(std::string("SELECT") + kCRLF +
             "    t1.[fId], t1.[fcl], t1.[fcr], t1.[fclev], t1.[fName], t1.[fGUID1], t1.[fGUID2]," +
             kCRLF + "    CASE WHEN EXISTS (" + kCRLF + "        SELECT 1" + kCRLF +
             "        FROM " + table + " s" + kCRLF + "{IF MSSQL}        JOIN (VALUES " + list +
             ") v(fId) ON v.fId = s.fId" + kCRLF + "{fi}" +
             "{IF SQLite}        JOIN (SELECT column1 AS fId FROM (VALUES " + list +
             ")) v ON v.fId = s.fId" + kCRLF + "{fi}" +
             "        WHERE t1.fcl >= s.fcl AND t1.fcr <= s.fcr" + kCRLF +
             "    ) THEN 1 ELSE 0 END AS fPercent" + kCRLF + "FROM " + table + " t1" + kCRLF +
             "ORDER BY t1.fcl;" + kCRLF);
  }
  q.SetFetchAll(false);
  q.Open();
  TSectionRow r(q, array);
  const std::size_t cLev = r.Col("fclev"), cName = r.Col("fName"), cG1 = r.Col("fGUID1"),
                    cG2 = r.Col("fGUID2"), cPercent = r.Col("fPercent");
  // One step per level being walked: its level, the GUID of the group that encloses it and the
  // GUID of the last group written at this level (the parent of a deeper step).
  struct Step {
    std::int64_t level;
    std::string parent;
    std::string last;
  };
  std::vector<Step> steps;
  for (; !q.Eof(); q.Next()) {
    const std::int64_t level = r.Int64(cLev);
    if (level == 0) continue;  // the tree's root
    while (!steps.empty() && level < steps.back().level) steps.pop_back();
    if (steps.empty()) steps.push_back(Step{level, "", ""});
    if (level > steps.back().level) steps.push_back(Step{level, steps.back().last, ""});
    Step& step = steps.back();
    step.last = r.Guid(cG1, cG2);
    array.StartObject();
    array.Str("category_id", step.last);
    r.Str("name", cName);
    array.Str("parent_category_id", step.parent);
    array.Key("percent");
    if (r.Int64(cPercent) == 1) {
      array.Int(0);
    } else {
      array.Null();
    }
    array.EndObject();
    if (ifExitNOW()) break;
  }
  q.Close();
}

void TDNJSUployalBuilder::RunBuildUployalGoods(std::int64_t pPos, std::int64_t pCount) {
  BuildArray([&](TJsonOut& array) {
    const std::string nonAggregate =
        "tg.[fId], tg.[fNameFull], tg.[fGUID1], tg.[fGUID2], tgr.[fGUID1], tgr.[fGUID2]";
    db::Query& q = Query1();
    q.SetFetchAll(false);
    q.SetSql(
        "SELECT tg.[fId], tg.[fNameFull], MAX(tPrice.fPrice) AS fPriceOutMax, tg.[fGUID1], "
        "tg.[fGUID2], tgr.[fGUID1] AS grUID1, tgr.[fGUID2] AS grUID2 FROM tirGoods tg "
        "LEFT JOIN tirGoodsGroups tgr ON tgr.fId = tg.fGroupID "
        "LEFT JOIN tirPrices tPrice ON tPrice.fGoodId = tg.fId GROUP BY " +
        nonAggregate + " ORDER BY tg.[fId] " + PageClause(pPos, pCount));
    q.Open();
    TSectionRow r(q, array);
    const std::size_t cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2"), cGr1 = r.Col("grUID1"),
                      cGr2 = r.Col("grUID2"), cName = r.Col("fNameFull"),
                      cPrice = r.Col("fPriceOutMax");
    for (; !q.Eof(); q.Next()) {
      array.StartObject();
      r.Guid("product_id", cG1, cG2);
      // A good outside every group names the GUID of the zero pair (the join gives nulls).
      r.Guid("category_id", cGr1, cGr2);
      r.Str("name", cName);
      array.Str("price", PriceText(r.IsNull(cPrice) ? 0 : r.At(cPrice).AsExtended()));
      array.EndObject();
      if (ifExitNOW()) break;
    }
    q.Close();
  });
}

std::int64_t TDNJSUployalBuilder::SalePointAt(std::int64_t pSalesPointNum) {
  db::Query& q = Query1();
  q.SetFetchAll(true);
  q.SetSql(std::string("SELECT  tSP.fId  FROM tirSalePoints tSP") + kCRLF +
           " WHERE ((tSP.fBitParams & 1) = 1) ORDER BY tSP.fId " + ";");
  q.Open();
  std::int64_t id = 0;
  for (std::int64_t n = 1; !q.Eof() && n <= pSalesPointNum; ++n, q.Next()) {
    if (n == pSalesPointNum) id = q.FieldByIndex(0).AsInt64();
  }
  q.Close();
  return id;
}

void TDNJSUployalBuilder::RunBuildUployalGoodsExternal_id(std::int64_t pPos, std::int64_t pCount,
                                                          std::int64_t pSalesPointNum) {
  BuildArray([&](TJsonOut& array) {
    const std::string page = PageClause(pPos, pCount);
    const std::int64_t id = SalePointAt(pSalesPointNum);
    if (id == 0) return;
    db::Query& q = Query1();
    q.SetFetchAll(false);
    q.SetSql(std::string("SELECT ") + kCRLF +
             "  tSP.fId, tSP.fGUID1 AS fSPGuid1, tSP.fGUID2 AS fSPGuid2" + kCRLF +
             "  , tG.fGUID1 AS fGoodGuid1, tG.fGUID2 AS fGoodGuid2" + kCRLF + "  , tPr.fPrice" +
             kCRLF + "FROM tirSalePoints tSP" + kCRLF +
             "LEFT JOIN tirPrices tPR ON tSP.fPriceId2 = tPR.fPriceId" + kCRLF +
             "LEFT JOIN tirGoods tG ON tG.fId = tPR.fGoodId" + kCRLF + "WHERE (1=1)" + kCRLF +
             " AND (tSP.fId = " + std::to_string(id) + ")" +
             "ORDER BY  tG.fId,tSP.fId,tPR.fPriceId " + kCRLF + page);
    q.Open();
    TSectionRow r(q, array);
    const std::size_t cSp1 = r.Col("fSPGuid1"), cSp2 = r.Col("fSPGuid2"), cG1 = r.Col("fGoodGuid1"),
                      cG2 = r.Col("fGoodGuid2"), cPrice = r.Col("fPrice");
    for (; !q.Eof(); q.Next()) {
      // A price without its good (or a sale point whose list holds no price) is written with the
      // GUID of the zero pair: dropping it would make a page come back short while rows follow.
      const std::string good = r.Guid(cG1, cG2);
      array.StartObject();
      array.Str("external_id", good);
      r.Guid("spot_id", cSp1, cSp2);
      array.Str("product_uid", good);
      array.Str("price", PriceText(r.IsNull(cPrice) ? 0 : r.At(cPrice).AsExtended()));
      array.EndObject();
      if (ifExitNOW()) break;
    }
    q.Close();
  });
}

double TDNJSUployalBuilder::GetLastUployalTime() {
  db::Query& q = Query1();
  q.SetFetchAll(true);
  q.SetSql(std::string("SELECT fPDate FROM tirSettings WHERE ([fUserId]=") + "0" +
           ")AND([fMId]=" + "450" + ")AND([fPType]=" + "-47" + ");");
  q.Open();
  const double when = (q.Eof() || q.FieldByIndex(0).IsNull()) ? 0 : q.FieldByIndex(0).AsDateTime();
  q.Close();
  return when;
}

void TDNJSUployalBuilder::SetLastUployalTime(double pDateTimeOK) {
  if (ifExitNOW()) return;
  db::Query& q = Query1();
  q.SetSql(std::string("DELETE FROM tirSettings  WHERE ([fUserId]=0)AND([fMId]=") + "450" +
           ")AND([fPType]=" + "-47" + ");");
  q.ExecSql();
  q.SetSql(std::string("INSERT INTO [tirSettings]  ([fMId] ,[fUserId] ,[fPType] ,[fPB] ,[fPI], "
                       "[fPDate]) VALUES ") +
           " (" + "450" + ",0" + "," + "-47" + ",0" + ",0" + ",:pDateOK" + ");");
  q.ParamByName("pDateOK").SetDateTime(pDateTimeOK);
  q.ExecSql();
}

}  // namespace tir::exporting
