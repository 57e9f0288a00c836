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
  // The mode ends even when the final write fails, so that the engine posts normally again.
  struct ModeOff {
    TDMMainProvodka* self;
    ~ModeOff() {
      self->mMassRepostBatch.reset();
      self->mMassRepostMode = false;
    }
  } off{this};
  if (AFlush && mMassRepostBatch) mMassRepostBatch->Flush();
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
