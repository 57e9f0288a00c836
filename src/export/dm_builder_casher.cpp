#include "export/dm_builder_casher.h"

#include <cmath>
#include <utility>

#include "db/date_time.h"

namespace tir::exporting {

TgDMBuilderCasher::TgDMBuilderCasher() : mGoodsSTR(std::make_shared<const TJsonPieces>()) {}

void TgDMBuilderCasher::SetNewGoods(std::int64_t pLastGoodsSnapShot, std::int64_t pCountGood,
                                    std::string pGoodsSTR) {
  TJsonPieces pieces;
  const std::size_t size = pGoodsSTR.size();
  if (size > 0) {
    pieces.push_back(
        TJsonPiece{std::make_shared<const std::string>(std::move(pGoodsSTR)), 0, size});
  }
  SetNewGoods(pLastGoodsSnapShot, pCountGood, std::move(pieces));
}

void TgDMBuilderCasher::SetNewGoods(std::int64_t pLastGoodsSnapShot, std::int64_t pCountGood,
                                    TJsonPieces pGoodsSTR) {
  auto text = std::make_shared<const TJsonPieces>(std::move(pGoodsSTR));
  const double now = db::NowDateTime();
  std::lock_guard<std::mutex> lock(mCS);
  mLastGoodsSnapShot = pLastGoodsSnapShot;
  mGoodsSTR = std::move(text);
  mCountGood = pCountGood;
  mLastGoodsSnapShotTime = now;
  ++mStoreCount;
}

std::string TgDMBuilderCasher::GetStrGoods(std::int64_t pLastGoodsSnapShot) const {
  std::lock_guard<std::mutex> lock(mCS);
  return mLastGoodsSnapShot == pLastGoodsSnapShot ? JoinPieces(*mGoodsSTR) : std::string();
}

std::shared_ptr<const TJsonPieces> TgDMBuilderCasher::GetSharedGoods(
    std::int64_t pLastGoodsSnapShot) const {
  std::lock_guard<std::mutex> lock(mCS);
  if (mLastGoodsSnapShot != pLastGoodsSnapShot || mGoodsSTR->empty()) return nullptr;
  return mGoodsSTR;
}

bool TgDMBuilderCasher::IfNotOldSnapShot(double pTimeInSec, std::int64_t& pCountGood,
                                         std::int64_t& pLastGoodsSnapShot) const {
  const double now = db::NowDateTime();
  std::lock_guard<std::mutex> lock(mCS);
  pCountGood = 0;
  pLastGoodsSnapShot = 0;
  if (mLastGoodsSnapShot == 0 || mCountGood == 0 || mLastGoodsSnapShot == -123) return false;
  pLastGoodsSnapShot = mLastGoodsSnapShot;
  pCountGood = mCountGood;
  return pTimeInSec <= std::fabs(now - mLastGoodsSnapShotTime);
}

std::int64_t TgDMBuilderCasher::StoreCount() const {
  std::lock_guard<std::mutex> lock(mCS);
  return mStoreCount;
}

TgDMBuilderCasher& gDMBuilderCasher() {
  static TgDMBuilderCasher instance;
  return instance;
}

}  // namespace tir::exporting
