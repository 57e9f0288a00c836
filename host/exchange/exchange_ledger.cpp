#include "host/exchange/exchange_ledger.h"

#include <functional>

#include "db/connection.h"
#include "db/date_time.h"
#include "db/query.h"
#include "export/dn_json_builder.h"
#include "host/exchange/exchange_tokens.h"

namespace tir::exchange {
namespace {

// Runs pWork in a transaction of its own unless the caller has one open.
template <typename Work>
auto InTransaction(db::Connection& connection, Work work) {
  const bool own = !connection.InTransaction();
  if (own) connection.StartTransaction();
  try {
    auto result = work();
    if (own) connection.Commit();
    return result;
  } catch (...) {
    if (own && connection.InTransaction()) connection.Rollback();
    throw;
  }
}

std::vector<std::int64_t> BatchDocs(db::Connection& connection, std::int64_t batchRow) {
  db::Query q(connection);
  q.SetSql("SELECT fDocId FROM tirxPeerBatchDocs WHERE fBatchId=:pBatch ORDER BY fDocId;");
  q.ParamByName("pBatch").SetInt64(batchRow);
  std::vector<std::int64_t> ids;
  for (q.Open(); !q.Eof(); q.Next()) ids.push_back(q.FieldByIndex(0).AsInt64());
  return ids;
}

// The documents of the token's scope that its peer does not hold in their current stamp: the
// FROM and WHERE of a query on tirDocuments t1 and tirxDocStamps s, with parameter :pPeer.
std::string PendingDocs(const TTirTokenOne& token) {
  return " FROM tirDocuments t1 LEFT JOIN tirxDocStamps s ON s.fDocId = t1.fId WHERE (1=1) " +
         exporting::TDNJSonBuilder::DocsScopeFilter(token, false) +
         " AND NOT EXISTS (SELECT 1 FROM tirxPeerDocs p WHERE p.fPeer = :pPeer AND p.fDocId = "
         "t1.fId AND p.fStamp = COALESCE(s.fStamp, 0))";
}

}  // namespace

std::int64_t TPeerLedger::PendingCount(const TTirTokenOne& pToken) {
  db::Query count(mConnection);
  count.SetSql("SELECT COUNT(*)" + PendingDocs(pToken) + ";");
  count.ParamByName("pPeer").SetText(pToken.mName);
  count.Open();
  return count.FieldByIndex(0).AsInt64();
}

TPeerBatch TPeerLedger::OpenBatch(const TTirTokenOne& pToken, int pMax) {
  return InTransaction(mConnection, [&] {
    TPeerBatch batch;
    db::Query open(mConnection);
    open.SetSql(
        "SELECT fId, fBatch FROM tirxPeerBatches WHERE fPeer=:pPeer AND fAcked=0 ORDER BY fId;");
    open.ParamByName("pPeer").SetText(pToken.mName);
    open.Open();
    if (!open.Eof()) {
      batch.id = open.FieldByIndex(1).AsText();
      batch.docIds = BatchDocs(mConnection, open.FieldByIndex(0).AsInt64());
      batch.repeated = true;
      return batch;
    }
    open.Close();

    const std::string limit = std::to_string(pMax);
    db::Query pending(mConnection);
    pending.SetSql("SELECT {IF MSSQL}TOP " + limit +
                   " {fi}t1.fId, COALESCE(s.fStamp, 0) AS fStamp" + PendingDocs(pToken) +
                   " ORDER BY t1.fId{IF SQLite} LIMIT " + limit + "{fi};");
    pending.ParamByName("pPeer").SetText(pToken.mName);
    std::vector<std::int64_t> stamps;
    for (pending.Open(); !pending.Eof(); pending.Next()) {
      batch.docIds.push_back(pending.FieldByIndex(0).AsInt64());
      stamps.push_back(pending.FieldByIndex(1).AsInt64());
    }
    pending.Close();
    if (batch.docIds.empty()) return batch;

    batch.id = NewTokenValue();
    db::Query insert(mConnection);
    insert.SetSql(
        "INSERT INTO tirxPeerBatches (fBatch, fPeer, fAcked, fCreated) VALUES (:pBatch, :pPeer, "
        "0, :pNow);");
    insert.ParamByName("pBatch").SetText(batch.id);
    insert.ParamByName("pPeer").SetText(pToken.mName);
    insert.ParamByName("pNow").SetDateTime(db::NowDateTime());
    insert.ExecSql();
    db::Query row(mConnection);
    row.SetSql("SELECT fId FROM tirxPeerBatches WHERE fBatch=:pBatch;");
    row.ParamByName("pBatch").SetText(batch.id);
    row.Open();
    const std::int64_t batchRow = row.FieldByIndex(0).AsInt64();
    row.Close();
    db::Query doc(mConnection);
    doc.SetSql(
        "INSERT INTO tirxPeerBatchDocs (fBatchId, fDocId, fStamp) VALUES (:pBatch, :pDoc, "
        ":pStamp);");
    for (std::size_t i = 0; i < batch.docIds.size(); ++i) {
      doc.ParamByName("pBatch").SetInt64(batchRow);
      doc.ParamByName("pDoc").SetInt64(batch.docIds[i]);
      doc.ParamByName("pStamp").SetInt64(stamps[i]);
      doc.ExecSql();
    }
    return batch;
  });
}

TAckResult TPeerLedger::Acknowledge(const std::string& pPeer, const std::string& pBatch) {
  return InTransaction(mConnection, [&] {
    db::Query find(mConnection);
    find.SetSql("SELECT fId, fPeer, fAcked FROM tirxPeerBatches WHERE fBatch=:pBatch;");
    find.ParamByName("pBatch").SetText(pBatch);
    find.Open();
    if (find.Eof() || find.FieldByIndex(1).AsText() != pPeer) return TAckResult::kUnknown;
    if (find.FieldByIndex(2).AsInt64() != 0) return TAckResult::kAlready;
    const std::int64_t batchRow = find.FieldByIndex(0).AsInt64();
    find.Close();
    db::Query record(mConnection);
    record.SetSql(
        "DELETE FROM tirxPeerDocs WHERE fPeer=:pPeer AND fDocId IN (SELECT fDocId FROM "
        "tirxPeerBatchDocs WHERE fBatchId=:pBatch);"
        "INSERT INTO tirxPeerDocs (fPeer, fDocId, fStamp) SELECT :pPeer, fDocId, fStamp FROM "
        "tirxPeerBatchDocs WHERE fBatchId=:pBatch;"
        "UPDATE tirxPeerBatches SET fAcked=1 WHERE fId=:pBatch;");
    record.ParamByName("pPeer").SetText(pPeer);
    record.ParamByName("pBatch").SetInt64(batchRow);
    record.ExecSql();
    return TAckResult::kDone;
  });
}

void TPeerLedger::RecordHeld(const std::string& pPeer, const std::vector<std::int64_t>& pDocIds) {
  InTransaction(mConnection, [&] {
    db::Query remove(mConnection), insert(mConnection);
    remove.SetSql("DELETE FROM tirxPeerDocs WHERE fPeer=:pPeer AND fDocId=:pDoc;");
    insert.SetSql(
        "INSERT INTO tirxPeerDocs (fPeer, fDocId, fStamp) SELECT :pPeer, :pDoc, "
        "COALESCE((SELECT fStamp FROM tirxDocStamps WHERE fDocId=:pDoc), 0);");
    for (const std::int64_t id : pDocIds) {
      for (db::Query* q : {&remove, &insert}) {
        q->ParamByName("pPeer").SetText(pPeer);
        q->ParamByName("pDoc").SetInt64(id);
        q->ExecSql();
      }
    }
    return 0;
  });
}

}  // namespace tir::exchange
