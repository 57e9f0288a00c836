#include "host/exchange/exchange_client_ledger.h"

#include <stdexcept>

#include "db/connection.h"
#include "db/query.h"
#include "export/dn_json_builder.h"
#include "export/guid_completion.h"
#include "settings/tir_codes.h"

namespace tir::exchange {

std::int64_t MaxDocStamp(db::Connection& pConnection) {
  db::Query q(pConnection);
  q.SetSql("SELECT MAX(fStamp) AS fMax FROM tirxDocStamps;");
  q.Open();
  return q.Eof() || q.FieldByIndex(0).IsNull() ? 0 : q.FieldByIndex(0).AsInt64();
}

void RecordReceivedSince(db::Connection& pConnection, std::int64_t pStamp) {
  db::Query q(pConnection);
  q.SetSql(
      "DELETE FROM tirxReceived WHERE fDocId IN (SELECT fDocId FROM tirxDocStamps WHERE "
      "fStamp > :pStamp);"
      "INSERT INTO tirxReceived (fDocId, fStamp) SELECT fDocId, fStamp FROM tirxDocStamps "
      "WHERE fStamp > :pStamp;");
  q.ParamByName("pStamp").SetInt64(pStamp);
  q.ExecSql();
}

void CompleteDocumentGuids(db::Connection& pConnection) {
  db::Query q(pConnection);
  exporting::CompleteGuids(q, {"tirDocuments"}, 500);
}

std::vector<TDocStamp> NextPushPiece(db::Connection& pConnection, const std::string& pService,
                                     std::size_t pLimit) {
  db::Query q(pConnection);
  const std::string limit = std::to_string(pLimit);
  q.SetSql("SELECT {IF MSSQL}TOP " + limit +
           " {fi}s.fDocId, s.fStamp FROM tirxDocStamps s "
           "INNER JOIN tirDocuments d ON d.fId = s.fDocId "
           "LEFT JOIN tirxReceived r ON r.fDocId = s.fDocId "
           "LEFT JOIN tirxPushed p ON (p.fService = :pService) AND (p.fDocId = s.fDocId) "
           "WHERE ((r.fDocId IS NULL) OR (r.fStamp <> s.fStamp)) "
           "AND ((p.fDocId IS NULL) OR (p.fStamp <> s.fStamp)) "
           "ORDER BY s.fStamp, s.fDocId{IF SQLite} LIMIT " +
           limit + "{fi};");
  q.ParamByName("pService").SetText(pService);
  q.Open();
  std::vector<TDocStamp> piece;
  for (; !q.Eof(); q.Next())
    piece.push_back({q.FieldByIndex(0).AsInt64(), q.FieldByIndex(1).AsInt64()});
  return piece;
}

void RecordPushed(db::Connection& pConnection, const std::string& pService,
                  const std::vector<TDocStamp>& pPiece) {
  if (pPiece.empty()) return;
  db::Query q(pConnection);
  q.SetSql(
      "DELETE FROM tirxPushed WHERE (fService = :pService) AND (fDocId = :pDocId);"
      "INSERT INTO tirxPushed (fService, fDocId, fStamp) VALUES (:pService, :pDocId, :pStamp);");
  q.SetArraySize(pPiece.size());
  for (std::size_t i = 0; i < pPiece.size(); ++i) {
    q.ParamByName("pService").SetAt(i, db::Value::Text(pService));
    q.ParamByName("pDocId").SetAt(i, db::Value::Int64(pPiece[i].docId));
    q.ParamByName("pStamp").SetAt(i, db::Value::Int64(pPiece[i].stamp));
  }
  pConnection.StartTransaction();
  try {
    q.ExecuteArray();
    pConnection.Commit();
  } catch (...) {
    if (pConnection.InTransaction()) pConnection.Rollback();
    throw;
  }
}

std::string BuildPushEnvelope(db::Connection& pConnection, const std::string& pToken,
                              const std::vector<TDocStamp>& pPiece) {
  std::string ids;
  for (const TDocStamp& doc : pPiece) ids += (ids.empty() ? "" : ",") + std::to_string(doc.docId);
  exporting::TDNJSonBuilder builder(pConnection);
  builder.SetRunMode(kRunRequest);  // with the "request" object that carries the token
  builder.SetTokenClientValue(pToken);
  builder.ClearAllCMD();
  builder.SetAddSomeLastDocs();    // names the envelope "docstirformat001"
  builder.SetAddDocsPeriod(0, 0);  // selects without delivery marks, whatever the dates
  builder.SetDocIdsOnly(ids);
  builder.RunBuildProcess();
  if (!builder.ErrorText().empty()) throw std::runtime_error(builder.ErrorText());
  return builder.Text();
}

}  // namespace tir::exchange
