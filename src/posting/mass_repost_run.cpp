#include "posting/mass_repost_run.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "db/connection.h"
#include "db/db_error.h"
#include "db/query.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_batch.h"

namespace tir::posting {

namespace {

// The period's condition on tirDocuments d, with the parameters pFrom and pTo.
std::string PeriodCondition(const TMassRepostOptions& o) {
  std::string sql = "1=1";
  if (o.from) sql += " AND d.fDateTime >= :pFrom";
  if (o.to) sql += o.toExclusive ? " AND d.fDateTime < :pTo" : " AND d.fDateTime <= :pTo";
  return sql;
}

void BindPeriod(db::Query& q, const TMassRepostOptions& o) {
  if (o.from) q.ParamByName("pFrom").SetDateTime(*o.from);
  if (o.to) q.ParamByName("pTo").SetDateTime(*o.to);
}

std::vector<std::int64_t> PeriodDocuments(db::Connection& c, const TMassRepostOptions& o) {
  db::Query q(c);
  q.SetSql("SELECT d.fId FROM tirDocuments d WHERE " + PeriodCondition(o) +
           " ORDER BY d.fDateTime, d.fId;");
  BindPeriod(q, o);
  q.Open();
  std::vector<std::int64_t> ids;
  ids.reserve(q.RecordCount());
  for (; !q.Eof(); q.Next()) ids.push_back(q.FieldByIndex(0).AsInt64());
  return ids;
}

// Documents of the period that still have rows in a register: the mode removes nothing, so
// re-posting them would double their rows.
std::size_t DocumentsWithRows(db::Connection& c, const TMassRepostOptions& o) {
  db::Query q(c);
  q.SetSql("SELECT COUNT(*) FROM tirDocuments d WHERE " + PeriodCondition(o) +
           " AND (EXISTS (SELECT 1 FROM tirAStore a WHERE a.fDocId = d.fId) OR EXISTS (SELECT 1 "
           "FROM tirAMSettlement s WHERE s.fDocId = d.fId) OR EXISTS (SELECT 1 FROM tirAPayments "
           "p WHERE p.fDocId = d.fId));");
  BindPeriod(q, o);
  q.Open();
  return static_cast<std::size_t>(q.FieldByIndex(0).AsInt64());
}

// The columns of a chunk's documents that the batch and the single-document routines read.
constexpr const char* kChunkColumns =
    "SELECT fId, fState, fDocType, fEntityId, fStoreId, fStoreId2, fDateTime, fDocSum, fCurrRate, "
    "fContractId, fTransactId, fPartnerId, fCashAccountId, fItemCost, fTagInt FROM tirDocuments "
    "WHERE fId IN (";

std::string JoinIds(const std::vector<std::int64_t>& ids, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    if (i > begin) text += ',';
    text += std::to_string(ids[i]);
  }
  return text;
}

bool IsLockedError(const db::DbError& e) {
  return std::string(e.what()).find("locked") != std::string::npos;
}

// Creates, counts and takes the control row in one write transaction, so that two workstations
// starting together are served one after the other. While another run holds the base's write
// lock between its chunks, waiting for the lock could outlast that run and start a second one
// after it; so the wait is kept short and the control is read again (a read needs no lock)
// before every new attempt.
bool TakeControl(TDMMainProvodka& engine, db::Connection& connection, const TMassRepostOptions& o,
                 bool ownTransactions) {
  if (!ownTransactions) return engine.TryBeginMassRepostControl(o.from.value_or(0));
  constexpr auto kGiveUpAfter = std::chrono::seconds(30);
  const auto start = std::chrono::steady_clock::now();
  if (o.quickLockWaits) o.quickLockWaits(true);
  struct Restore {
    const TMassRepostOptions& o;
    ~Restore() {
      if (o.quickLockWaits) o.quickLockWaits(false);
    }
  } restore{o};
  for (;;) {
    if (engine.IsMassRepostControlActive()) return false;
    try {
      connection.StartTransaction();
    } catch (const db::DbError& e) {
      if (!IsLockedError(e) || std::chrono::steady_clock::now() - start > kGiveUpAfter) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    try {
      const bool taken = engine.TryBeginMassRepostControl(o.from.value_or(0));
      connection.Commit();
      return taken;
    } catch (...) {
      if (connection.InTransaction()) connection.Rollback();
      throw;
    }
  }
}

}  // namespace

TMassRepostResult RunMassRepost(TDMMainProvodka& engine, db::Connection& connection,
                                const TMassRepostOptions& o) {
  TMassRepostResult result;
  const bool ownTransactions = !connection.InTransaction();
  if (!TakeControl(engine, connection, o, ownTransactions)) {
    result.outcome = TMassRepostResult::TOutcome::kControlHeld;
    return result;
  }
  const std::size_t chunk = o.chunk == 0 ? 1 : o.chunk;
  try {
    if (o.full) {
      if (ownTransactions) connection.StartTransaction();
      engine.ClearAllRegisters();
      engine.RebuildStoresFull();
      if (ownTransactions) connection.Commit();
    } else if ((result.withRows = DocumentsWithRows(connection, o)) != 0) {
      result.outcome = TMassRepostResult::TOutcome::kDocumentsHaveRows;
      engine.SetMassRepostControl(false, 0);
      return result;
    }
    const std::vector<std::int64_t> ids = PeriodDocuments(connection, o);
    result.documents = ids.size();
    engine.BeginMassRepostMode();
    db::Query docs(connection);
    // Whole chunks are committed, about once a second: often enough that a run that stops keeps
    // most of its work, rarely enough that commits cost little.
    constexpr auto kCommitEvery = std::chrono::seconds(1);
    auto lastCommit = std::chrono::steady_clock::now();
    for (std::size_t begin = 0; begin < ids.size(); begin += chunk) {
      const std::size_t end = std::min(ids.size(), begin + chunk);
      if (ownTransactions && !connection.InTransaction()) connection.StartTransaction();
      engine.TouchMassRepostControl();
      docs.SetSql(std::string(kChunkColumns) + JoinIds(ids, begin, end) +
                  ") ORDER BY fDateTime, fId;");
      docs.Open();
      engine.PrepareMassRepostBatch(docs);
      for (docs.First(); !docs.Eof(); docs.Next()) {
        if (o.stop && o.stop()) {
          result.outcome = TMassRepostResult::TOutcome::kStopped;
          break;
        }
        engine.ProvodkaMassBatchOpened(docs);
      }
      docs.Close();
      if (result.outcome == TMassRepostResult::TOutcome::kStopped) {
        if (ownTransactions) connection.Rollback();
        break;
      }
      const bool last = end == ids.size();
      // The counts describe the documents done: those of committed chunks.
      const auto done = [&] {
        result.done = end;
        const TTirMassRepostBatch::TTally& tally = engine.MassRepostBatch()->Tally();
        result.posted = tally.posted;
        result.leftAlone = tally.leftAlone;
        result.fallenBack = tally.fallenBack;
      };
      if (ownTransactions &&
          (last || std::chrono::steady_clock::now() - lastCommit >= kCommitEvery)) {
        engine.MassRepostBatch()->Flush();  // what is pending belongs to the chunks committed
        connection.Commit();
        lastCommit = std::chrono::steady_clock::now();
        done();
      } else if (!ownTransactions) {
        done();
      }
      if (o.progress) o.progress(end, ids.size());
    }
    engine.EndMassRepostMode(result.outcome == TMassRepostResult::TOutcome::kDone);
    engine.SetMassRepostControl(false, 0);
  } catch (...) {
    if (ownTransactions && connection.InTransaction()) connection.Rollback();
    engine.EndMassRepostMode(false);
    try {
      engine.SetMassRepostControl(false, 0);
    } catch (...) {  // NOLINT(bugprone-empty-catch): the first error is the one to report
    }
    throw;
  }
  return result;
}

}  // namespace tir::posting
