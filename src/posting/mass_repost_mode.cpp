// Mass re-posting mode: the engine hands the documents of each chunk to its in-memory batch.
#include "db/db_error.h"
#include "db/query.h"
#include "posting/main_provodka.h"
#include "posting/mass_repost_batch.h"

namespace tir::posting {

void TDMMainProvodka::BeginMassRepostMode() {
  EndMassRepostMode(false);
  mMassRepostBatch = std::make_unique<TTirMassRepostBatch>(Conn());
  mMassRepostMode = true;
}

void TDMMainProvodka::EndMassRepostMode(bool AFlush) {
  // A failing final write raises before the batch is freed: the rows not yet written stay in it
  // and the mode stays on, so the caller can write them again (EndMassRepostMode(true)) or drop
  // them with its transaction (EndMassRepostMode(false)).
  if (AFlush && mMassRepostBatch) mMassRepostBatch->Flush();
  mMassRepostBatch.reset();
  mMassRepostMode = false;
}

void TDMMainProvodka::PrepareMassRepostBatch(db::Query& pQueryDocs) {
  if (!mMassRepostBatch) throw db::DbError("Mass repost batch mode is not active.");
  mMassRepostBatch->PrepareBatch(pQueryDocs);
}

void TDMMainProvodka::ProvodkaMassBatchOpened(db::Query& pQueryDoc) {
  if (!mMassRepostBatch) {
    ProvodkaOpened(pQueryDoc, kPostRepost, false);
    return;
  }
  if (mMassRepostBatch->TryPostDocument(pQueryDoc)) return;
  mMassRepostBatch->Flush();
  ProvodkaFromOpenedDocument(pQueryDoc.FieldByName("fId").AsInt64(), kPostRepost, pQueryDoc, false);
  mMassRepostBatch->InvalidateDocumentBalances(pQueryDoc);
}

}  // namespace tir::posting
