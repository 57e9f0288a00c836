#include "host/exchange/exchange_peer_status.h"

#include <algorithm>

#include "db/connection.h"
#include "db/date_time.h"
#include "db/query.h"
#include "host/exchange/exchange_exec.h"
#include "host/exchange/exchange_ledger.h"
#include "host/exchange/exchange_tokens.h"

namespace tir::exchange {
namespace {

std::optional<double> OptionalTime(const db::Field& field) {
  if (field.IsNull()) return std::nullopt;
  return field.AsDateTime();
}

void ReadLastEvents(db::Connection& connection, TPeerStatus& peer) {
  db::Query q(connection);
  q.SetSql(
      "SELECT fPullAt, fPullDocs, fPullRows, fPushAt, fPushDocs, fErrorAt, fErrorText FROM "
      "tirxPeerStatus WHERE fPeer=:pPeer;");
  q.ParamByName("pPeer").SetText(peer.name);
  q.Open();
  if (q.Eof()) return;
  peer.pullAt = OptionalTime(q.FieldByIndex(0));
  peer.pullDocs = q.FieldByIndex(1).AsInt64();
  peer.pullRows = q.FieldByIndex(2).AsInt64();
  peer.pushAt = OptionalTime(q.FieldByIndex(3));
  peer.pushDocs = q.FieldByIndex(4).AsInt64();
  peer.errorAt = OptionalTime(q.FieldByIndex(5));
  if (!q.FieldByIndex(6).IsNull()) peer.errorText = q.FieldByIndex(6).AsText();
}

void ReadOpenBatch(db::Connection& connection, TPeerStatus& peer) {
  db::Query q(connection);
  q.SetSql(
      "SELECT b.fBatch, b.fCreated, (SELECT COUNT(*) FROM tirxPeerBatchDocs d WHERE d.fBatchId = "
      "b.fId) FROM tirxPeerBatches b WHERE b.fPeer=:pPeer AND b.fAcked=0 ORDER BY b.fId;");
  q.ParamByName("pPeer").SetText(peer.name);
  q.Open();
  if (q.Eof()) return;
  peer.batch = q.FieldByIndex(0).AsText();
  peer.batchAt = OptionalTime(q.FieldByIndex(1));
  peer.batchDocs = q.FieldByIndex(2).AsInt64();
}

}  // namespace

void RecordPeerEvent(db::Connection& pConnection, const std::string& pPeer, TPeerEvent pEvent,
                     std::int64_t pDocs, std::int64_t pRows, const std::string& pError) {
  std::string set;
  switch (pEvent) {
    case TPeerEvent::kPull:
      set =
          "fPullDocs=CASE WHEN fPullAt >= :pRun THEN fPullDocs + :pDocs ELSE :pDocs END, "
          "fPullRows=CASE WHEN fPullAt >= :pRun THEN fPullRows + :pRows ELSE :pRows END, "
          "fPullAt=:pNow";
      break;
    case TPeerEvent::kPush:
      set =
          "fPushDocs=CASE WHEN fPushAt >= :pRun THEN fPushDocs + :pDocs ELSE :pDocs END, "
          "fPushAt=:pNow";
      break;
    case TPeerEvent::kError:
      set = "fErrorAt=:pNow, fErrorText=:pError";
      break;
  }
  db::Query q(pConnection);
  q.SetSql(
      "INSERT INTO tirxPeerStatus (fPeer) SELECT :pPeer WHERE NOT EXISTS (SELECT 1 FROM "
      "tirxPeerStatus WHERE fPeer=:pPeer);"
      "UPDATE tirxPeerStatus SET " +
      set + " WHERE fPeer=:pPeer;");
  q.ParamByName("pPeer").SetText(pPeer);
  const double now = db::NowDateTime();
  q.ParamByName("pNow").SetDateTime(now);
  if (pEvent == TPeerEvent::kError) {
    q.ParamByName("pError").SetText(pError);
  } else {
    q.ParamByName("pRun").SetDateTime(now - kPeerRunSeconds / 86400.0);
    q.ParamByName("pDocs").SetInt64(pDocs);
    if (pEvent == TPeerEvent::kPull) q.ParamByName("pRows").SetInt64(pRows);
  }
  ExecAtomically(pConnection, q);
}

std::vector<TPeerStatus> LoadPeerStatus(db::Connection& pConnection, double pNow,
                                        double pLateHours) {
  std::vector<TPeerStatus> peers;
  for (const TStoredToken& row : LoadTokens(pConnection)) {
    const TPeerRights rights = LoadPeerRights(pConnection, row.token.mName);
    if (rights.admin) continue;  // administers the service, exchanges nothing
    TPeerStatus peer;
    peer.name = row.token.mName;
    peer.active = row.token.mActiv == 1;
    peer.scope = ScopeInWords(row.token, rights);
    ReadLastEvents(pConnection, peer);
    ReadOpenBatch(pConnection, peer);
    peer.pending = TPeerLedger(pConnection).PendingCount(row.token);
    const std::optional<double> last = std::max(peer.pullAt, peer.pushAt);
    if (last) peer.lateHours = std::max(0.0, (pNow - *last) * 24.0);
    peer.late = !peer.lateHours || *peer.lateHours > pLateHours;
    peers.push_back(std::move(peer));
  }
  // Never synced first (an empty optional), then the longest silence first.
  std::stable_sort(peers.begin(), peers.end(), [](const TPeerStatus& a, const TPeerStatus& b) {
    if (a.lateHours.has_value() != b.lateHours.has_value()) return !a.lateHours.has_value();
    return a.lateHours && *a.lateHours > *b.lateHours;
  });
  return peers;
}

std::string StatusTime(const std::optional<double>& pAt) {
  if (!pAt) return "never";
  return db::DateTimeToSqlText(*pAt).substr(0, 19);
}

}  // namespace tir::exchange
