#include "tests/posting/posting_fixture.h"

#include <limits>

#include "db/query.h"
#include "frame/app_globals.h"
#include "frame/wide_string.h"
#include "settings/value_params.h"

namespace tir::posting::test {

namespace {

std::int32_t TIR_STDCALL CaptureLogDB(std::int32_t pUserId, std::int32_t pType,
                                      std::int32_t pGoodId, std::int32_t pDocId,
                                      frame::WideString pData) {
  PostingTest::Log().push_back({pUserId, pType, pGoodId, pDocId, frame::WideToUtf8(pData)});
  return 0;
}

}  // namespace

std::vector<LogLine>& PostingTest::Log() {
  static std::vector<LogLine> lines;
  return lines;
}

PostingTest::PostingTest() {
  frame::gAppParams.fUserID = 5;
  frame::gAppPackParams.fSysLogDB = &CaptureLogDB;
  tir::gValueParams.fPriceDigit = 2;
  tir::gValueParams.fCountDigit = 3;
  Log().clear();
  engine_.SetConnectToDB(&base_.conn());
}

PostingTest::~PostingTest() { frame::gAppPackParams.fSysLogDB = nullptr; }

std::int64_t PostingTest::AddDoc(const DocFields& d, const std::vector<LineFields>& lines) {
  db::Query q(conn());
  q.SetSql(
      "INSERT INTO tirDocuments (fDocType, fState, fEntityId, fStoreId, fStoreId2, fPartnerId, "
      "fContractId, fTransactId, fCashAccountId, fItemCost, fDocSum, fCurrRate, fTagInt, "
      "fDateTime, fSyncDate) VALUES (:pType, :pState, :pEnt, :pStore, :pStore2, :pPartner, "
      ":pContract, :pTransact, :pCash, :pItemCost, :pSum, :pRate, :pTag, :pDate, :pSync);");
  q.ParamByName("pType").SetInt32(d.type);
  q.ParamByName("pState").SetInt32(d.state);
  q.ParamByName("pEnt").SetInt64(d.entity);
  q.ParamByName("pStore").SetInt64(d.store);
  q.ParamByName("pStore2").SetInt64(d.store2);
  q.ParamByName("pPartner").SetInt64(d.partner);
  q.ParamByName("pContract").SetInt64(d.contract);
  q.ParamByName("pTransact").SetInt64(d.transact);
  q.ParamByName("pCash").SetInt64(d.cashAccount);
  q.ParamByName("pItemCost").SetInt64(d.itemCost);
  q.ParamByName("pSum").SetDouble(d.docSum);
  q.ParamByName("pRate").SetDouble(d.currRate);
  q.ParamByName("pTag").SetInt32(d.tagInt);
  q.ParamByName("pDate").SetDateTime(d.dateTime);
  q.ParamByName("pSync").SetDateTime(d.dateTime);
  q.ExecSql();
  const std::int64_t id = tir::test::ScalarInt(conn(), "SELECT MAX(fId) FROM tirDocuments;");
  AddLines(id, lines);
  return id;
}

void PostingTest::AddLines(std::int64_t docId, const std::vector<LineFields>& lines) {
  db::Query q(conn());
  const bool own = !conn().InTransaction();
  if (own) conn().StartTransaction();
  for (const LineFields& l : lines) {
    q.SetSql(
        "INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty, fSum, fPriceIn, fPriceOut, fDiscount, "
        "fTypeInDoc, fPosId) VALUES (:pDoc, :pGood, :pQtty, :pSum, :pIn, :pOut, :pDisc, :pType, "
        ":pPos);");
    q.ParamByName("pDoc").SetInt64(docId);
    q.ParamByName("pGood").SetInt64(l.good);
    q.ParamByName("pQtty").SetDouble(l.qtty);
    q.ParamByName("pSum").SetDouble(l.sum);
    q.ParamByName("pIn").SetDouble(l.priceIn);
    q.ParamByName("pOut").SetDouble(l.priceOut);
    q.ParamByName("pDisc").SetDouble(l.discount);
    q.ParamByName("pType").SetInt32(l.typeInDoc);
    q.ParamByName("pPos").SetInt64(l.posId);
    q.ExecSql();
  }
  if (own) conn().Commit();
}

std::vector<std::int64_t> PostingTest::LineIds(std::int64_t docId) {
  db::Query q(conn());
  q.SetSql("SELECT fId FROM tirDocGoods WHERE fDocId = :pDoc ORDER BY fId;");
  q.ParamByName("pDoc").SetInt64(docId);
  q.Open();
  std::vector<std::int64_t> ids;
  for (; !q.Eof(); q.Next()) ids.push_back(q.FieldByIndex(0).AsInt64());
  return ids;
}

void PostingTest::SetBalance(std::int64_t ent, std::int64_t store, std::int64_t good, double qtty,
                             double sum) {
  db::Query q(conn());
  q.SetSql(
      "DELETE FROM tirAStoreNow WHERE fEntId=:pEnt AND fStoreId=:pStore AND fGoodId=:pGood;"
      "INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, fQtty, fSum) VALUES (:pEnt, :pStore, "
      ":pGood, :pQtty, :pSum);");
  q.ParamByName("pEnt").SetInt64(ent);
  q.ParamByName("pStore").SetInt64(store);
  q.ParamByName("pGood").SetInt64(good);
  q.ParamByName("pQtty").SetDouble(qtty);
  q.ParamByName("pSum").SetDouble(sum);
  q.ExecSql();
}

std::pair<double, double> PostingTest::Balance(std::int64_t ent, std::int64_t store,
                                               std::int64_t good) {
  db::Query q(conn());
  q.SetSql(
      "SELECT fQtty, fSum FROM tirAStoreNow WHERE fEntId=:pEnt AND fStoreId=:pStore AND "
      "fGoodId=:pGood;");
  q.ParamByName("pEnt").SetInt64(ent);
  q.ParamByName("pStore").SetInt64(store);
  q.ParamByName("pGood").SetInt64(good);
  q.Open();
  if (q.Eof()) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  return {q.FieldByName("fQtty").AsDouble(), q.FieldByName("fSum").AsDouble()};
}

std::vector<MoveRow> PostingTest::Moves(std::int64_t docId) {
  db::Query q(conn());
  q.SetSql(
      "SELECT fEntId, fStoreId, fGoodId, fOperType, fSign, fQtty, fSum, fPosGoodId, fContractId, "
      "fTransactId, fPartId FROM tirAStore WHERE fDocId = :pDoc ORDER BY fId;");
  q.ParamByName("pDoc").SetInt64(docId);
  q.Open();
  std::vector<MoveRow> rows;
  const auto i = [&](std::size_t c) { return q.FieldByIndex(c).AsInt64(); };
  const auto d = [&](std::size_t c) { return q.FieldByIndex(c).AsDouble(); };
  for (; !q.Eof(); q.Next()) {
    rows.push_back({i(0), i(1), i(2), static_cast<int>(i(3)), static_cast<int>(i(4)), d(5), d(6),
                    i(7), i(8), i(9), i(10)});
  }
  return rows;
}

int PostingTest::State(std::int64_t docId) {
  return static_cast<int>(tir::test::ScalarInt(
      conn(), "SELECT fState FROM tirDocuments WHERE fId = " + std::to_string(docId) + ";"));
}

std::int64_t PostingTest::Count(const std::string& sql) {
  return tir::test::ScalarInt(conn(), sql);
}

double PostingTest::Scalar(const std::string& sql) { return tir::test::ScalarDouble(conn(), sql); }

void PostingTest::Exec(const std::string& sql) { tir::test::Exec(conn(), sql); }

std::int64_t PostingTest::AddGood() {
  Exec("INSERT INTO tirGoods (fName) VALUES ('good');");
  return Count("SELECT MAX(fId) FROM tirGoods;");
}

std::int64_t PostingTest::AddStore() {
  Exec("INSERT INTO tirStores (fName) VALUES ('store');");
  return Count("SELECT MAX(fId) FROM tirStores;");
}

std::int64_t PostingTest::AddEntity() {
  Exec("INSERT INTO tirEntities (fName) VALUES ('entity');");
  return Count("SELECT MAX(fId) FROM tirEntities;");
}

}  // namespace tir::posting::test
