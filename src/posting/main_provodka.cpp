#include "posting/main_provodka.h"

#include "db/connection.h"
#include "db/db_error.h"
#include "db/query.h"
#include "posting/mass_repost_batch.h"

namespace tir::posting {

TDMMainProvodka::TDMMainProvodka() : gProvStore(std::make_unique<TCStoreGoods>()) {}

TDMMainProvodka::~TDMMainProvodka() {
  EndMassRepostMode(false);  // a batch still open is dropped without writing
}

void TDMMainProvodka::SetConnectToDB(db::Connection* pFireDACConnection) {
  if (pFireDACConnection != mFireDACConnection) mKept.clear();
  mFireDACConnection = pFireDACConnection;
}

db::Connection& TDMMainProvodka::Conn() const {
  if (mFireDACConnection == nullptr) throw db::DbError("The posting engine has no connection.");
  return *mFireDACConnection;
}

std::unique_ptr<db::Query> TDMMainProvodka::NewQuery() const {
  auto q = std::make_unique<db::Query>(Conn());
  q->SetFetchAll(true);
  return q;
}

db::Query& TDMMainProvodka::Kept(const std::string& pSql) {
  auto it = mKept.find(pSql);
  if (it == mKept.end()) {
    auto q = NewQuery();
    q->SetSql(pSql);
    it = mKept.emplace(pSql, std::move(q)).first;
  }
  it->second->Close();
  return *it->second;
}

db::Query& TDMMainProvodka::OpenLines(const char* pSql, const TProvDocHeader& doc,
                                      std::int64_t pDocId) {
  db::Query& q = Kept(pSql);
  OpenDocLines(q, pSql, doc, pDocId);
  return q;
}

bool TDMMainProvodka::IsMSSQL() const { return Conn().Kind() == db::DbKind::kMSSQL; }

void TDMMainProvodka::Provodka(std::int64_t pId, int pOn, bool pIfTestRight,
                               bool pIgnoreMassRepostControl) {
  if (pId <= 0) return;
  if (!pIgnoreMassRepostControl && IsMassRepostControlActive()) return;
  db::Query& doc = Kept("SELECT *  FROM tirDocuments t1  WHERE t1.fId = :pId;");
  doc.ParamByName("pId").SetInt64(pId);
  doc.Open();
  if (doc.RecordCount() > 0) {
    doc.First();
    ProvodkaFromOpenedDocument(pId, pOn, doc, pIfTestRight);
  }
  doc.Close();
}

void TDMMainProvodka::ProvodkaOpened(db::Query& pQueryDoc, int pOn, bool pIfTestRight) {
  if (!pQueryDoc.IsOpen() || pQueryDoc.Eof()) return;
  const std::int64_t id = pQueryDoc.FieldByName("fId").AsInt64();
  ProvodkaFromOpenedDocument(id, pOn, pQueryDoc, pIfTestRight);
}

void TDMMainProvodka::ProvodkaFromOpenedDocument(std::int64_t pId, int pOn, db::Query& pQueryDoc,
                                                 bool /*pIfTestRight*/) {
  if (pId <= 0) return;
  const auto docType = static_cast<std::int32_t>(pQueryDoc.FieldByName("fDocType").AsInt64());
  switch (docType) {
    case kDocReceipt:
    case kDocSale:
      ProvodkaSale2017(pId, pOn, pQueryDoc, false);
      break;
    case kDocMoneyIn:
    case kDocMoneyOut:
      ProvodkaMoney(pId, pOn, pQueryDoc);
      break;
    case kDocCustomerOrder:
    case kDocSupplierOrder:
    case kDocRevaluation:
      ProvodkaStateOnly(pId, pOn, pQueryDoc);
      break;
    case kDocStoreMove:
      ProvodkaStoreMove(pId, pOn, pQueryDoc);
      break;
    case kDocWriteOff:
    case kDocTakeOnStock:
      ProvodkaWriteOff(pId, pOn, pQueryDoc);
      break;
    case kDocCustomerReturn:
      ProvodkaSalesBack(pId, pOn, pQueryDoc);
      break;
    case kDocSupplierReturn:
      ProvodkaProviderBack(pId, pOn, pQueryDoc);
      break;
    case kDocProduction:
      if (pQueryDoc.FieldByName("fTagInt").AsInt64() == kProduceByItem) {
        ProvodkaProduceItem2(pId, pOn, pQueryDoc);
      } else {
        ProvodkaProduce(pId, pOn, pQueryDoc);
      }
      break;
    case kDocInventory:
      ProvodkaInventory(pId, pOn, pQueryDoc);
      break;
    default:
      break;  // types 0, 3 (invoices), 16 and above, negative: nothing to post
  }
}

void TDMMainProvodka::ClearAllRegisters() {
  auto q = NewQuery();
  q->SetSql("DELETE FROM tirAStore;DELETE FROM tirAMSettlement;DELETE FROM tirAPayments;");
  q->ExecSql();
}

}  // namespace tir::posting
