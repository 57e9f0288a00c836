#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "export/json_out.h"

namespace tir::exporting {

// The last full goods text of the main export ("goods" key with its array, no braces), kept per
// goods snapshot number so that repeated full requests of cash registers and mobile clients are
// answered without reading the base. Every operation holds the lock for its whole body, so
// builders on different threads share the one instance gDMBuilderCasher.
class TgDMBuilderCasher {
 public:
  TgDMBuilderCasher();
  TgDMBuilderCasher(const TgDMBuilderCasher&) = delete;
  TgDMBuilderCasher& operator=(const TgDMBuilderCasher&) = delete;

  void SetNewGoods(std::int64_t pLastGoodsSnapShot, std::int64_t pCountGood, std::string pGoodsSTR);
  // The same for a text in pieces shared with the export that wrote it (no copy is made).
  void SetNewGoods(std::int64_t pLastGoodsSnapShot, std::int64_t pCountGood, TJsonPieces pGoodsSTR);
  // The cached text when it belongs to this snapshot, else the empty text.
  std::string GetStrGoods(std::int64_t pLastGoodsSnapShot) const;
  // The same without copying the text: the stored pieces are immutable and shared; null on a
  // miss or an empty text.
  std::shared_ptr<const TJsonPieces> GetSharedGoods(std::int64_t pLastGoodsSnapShot) const;
  // Both out-values 0; when a snapshot and a count are stored, they are given back and the result
  // is true when pTimeInSec is not greater than the age of the entry measured in days (the
  // module's own comparison, kept as it is; nothing in the module calls it).
  bool IfNotOldSnapShot(double pTimeInSec, std::int64_t& pCountGood,
                        std::int64_t& pLastGoodsSnapShot) const;

  // Number of texts stored so far (diagnostics and tests).
  std::int64_t StoreCount() const;

 private:
  mutable std::mutex mCS;
  std::int64_t mLastGoodsSnapShot = -123;
  std::int64_t mCountGood = 0;
  double mLastGoodsSnapShotTime = 0;
  std::shared_ptr<const TJsonPieces> mGoodsSTR;
  std::int64_t mStoreCount = 0;
};

// The module-wide instance.
TgDMBuilderCasher& gDMBuilderCasher();

}  // namespace tir::exporting
