#include "posting/list_posting.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "db/connection.h"
#include "db/query.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_batch.h"

namespace tir::posting {

namespace {

// The header columns the batch and the single-document routines read.
constexpr const char* kHeaderColumns =
    "SELECT fId, fState, fDocType, fEntityId, fStoreId, fStoreId2, fDateTime, fDocSum, fCurrRate, "
    "fContractId, fTransactId, fPartnerId, fCashAccountId, fItemCost, fTagInt FROM tirDocuments ";

std::string JoinIds(const std::vector<TListPostingItem>& docs, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    if (i > begin) text += ',';
    text += std::to_string(docs[i].fDocId);
  }
  return text;
}

// Documents among `ids` (a validated id list) that have rows in any register.
std::unordered_set<std::int64_t> DocumentsWithRows(db::Connection& c, const std::string& ids) {
  db::Query q(c);
  q.SetSql("SELECT fDocId FROM tirAStore WHERE fDocId IN (" + ids +
           ") UNION SELECT fDocId FROM tirAMSettlement WHERE fDocId IN (" + ids +
           ") UNION SELECT fDocId FROM tirAPayments WHERE fDocId IN (" + ids + ");");
  q.Open();
  std::unordered_set<std::int64_t> found;
  for (; !q.Eof(); q.Next()) found.insert(q.FieldByIndex(0).AsInt64());
  return found;
}

class ListRun {
 public:
  ListRun(TDMMainProvodka& engine, db::Connection& c)
      : engine_(engine), c_(c), batch_(c), header_(c), oldRows_(c) {
    header_.SetSql(std::string(kHeaderColumns) + "WHERE fId = :pId;");
    oldRows_.SetSql(
        "SELECT DISTINCT fEntId, fStoreId, fGoodId FROM tirAStore WHERE fDocId = :pId;");
  }

  void Chunk(const std::vector<TListPostingItem>& docs, std::size_t begin, std::size_t end) {
    const std::string ids = JoinIds(docs, begin, end);
    db::Query chunk(c_);
    chunk.SetSql(std::string(kHeaderColumns) + "WHERE fId IN (" + ids + ");");
    chunk.Open();
    batch_.PrepareBatch(chunk);  // writes what is pending, then reads lines and balances
    chunk.Close();
    const std::unordered_set<std::int64_t> withRows = DocumentsWithRows(c_, ids);
    for (std::size_t i = begin; i < end; ++i) Post(docs[i], withRows.count(docs[i].fDocId) != 0);
  }

  void Finish() { batch_.Flush(); }

 private:
  void Post(const TListPostingItem& item, bool hadRows) {
    header_.Close();
    header_.ParamByName("pId").SetInt64(item.fDocId);
    header_.Open();
    if (header_.Eof()) return;  // Provodka skips a document that is not there
    // The batch removes nothing: only a first posting by re-posting command goes there.
    const bool fresh = !hadRows && posted_.insert(item.fDocId).second;
    if (fresh && item.fCommand == kPostRepost && batch_.TryPostDocument(header_)) return;
    batch_.Flush();
    if (!fresh || hadRows) ForgetOldRowBalances(item.fDocId);
    engine_.Provodka(item.fDocId, item.fCommand, false, true);
    batch_.InvalidateDocumentBalances(header_);
    posted_.insert(item.fDocId);
  }

  // The removal of a document's earlier rows moves balances its current lines may not name.
  void ForgetOldRowBalances(std::int64_t docId) {
    oldRows_.Close();
    oldRows_.ParamByName("pId").SetInt64(docId);
    oldRows_.Open();
    for (; !oldRows_.Eof(); oldRows_.Next()) {
      batch_.ForgetBalance(oldRows_.FieldByIndex(0).AsInt64(), oldRows_.FieldByIndex(1).AsInt64(),
                           oldRows_.FieldByIndex(2).AsInt64());
    }
    oldRows_.Close();
  }

  TDMMainProvodka& engine_;
  db::Connection& c_;
  TTirMassRepostBatch batch_;
  db::Query header_;
  db::Query oldRows_;
  std::unordered_set<std::int64_t> posted_;
};

}  // namespace

TListPostingOutcome PostDocumentList(TDMMainProvodka& engine, db::Connection& connection,
                                     const std::vector<TListPostingItem>& docs,
                                     const TListPostingOptions& o) {
  const bool own = !connection.InTransaction();
  if (own) connection.StartTransaction();
  try {
    if (!engine.TryBeginMassRepostControl(0)) {
      if (own) connection.Rollback();
      return TListPostingOutcome::kControlHeld;
    }
    try {
      ListRun run(engine, connection);
      const std::size_t chunk = std::max<std::size_t>(o.chunk, 1);
      for (std::size_t begin = 0; begin < docs.size(); begin += chunk) {
        const std::size_t end = std::min(docs.size(), begin + chunk);
        engine.TouchMassRepostControl();
        run.Chunk(docs, begin, end);
        if (o.progress) o.progress(end, docs.size());
      }
      run.Finish();
    } catch (...) {
      engine.SetMassRepostControl(false, 0);
      throw;
    }
    engine.SetMassRepostControl(false, 0);
    if (own) connection.Commit();
  } catch (...) {
    if (own && connection.InTransaction()) connection.Rollback();
    throw;
  }
  return TListPostingOutcome::kDone;
}

}  // namespace tir::posting
