#include "posting/store_goods_cost.h"

#include "db/query.h"
#include "settings/number_forms.h"

namespace tir::posting {

void TCStoreGoods::Clear() {
  mGoodsList.clear();
  mGoodsIndex.clear();
}

void TCStoreGoods::LoadFromQuery(db::Query& pQuery) {
  Clear();
  if (!pQuery.IsOpen()) return;
  pQuery.First();
  while (!pQuery.Eof()) {
    TStoreGoods item;
    item.fID = pQuery.FieldByName("fGoodId").AsInt64();
    if (mGoodsIndex.find(item.fID) == mGoodsIndex.end()) {
      item.fQtty = pQuery.FieldByName("fQttyStore").AsExtended();
      item.fSum = pQuery.FieldByName("fSum").AsExtended();
      mGoodsIndex.emplace(item.fID, mGoodsList.size());
      mGoodsList.push_back(item);
    }
    pQuery.Next();
  }
  pQuery.First();
}

std::int64_t TCStoreGoods::FindGoodsById(std::int64_t pGoodId) const {
  const auto it = mGoodsIndex.find(pGoodId);
  return it == mGoodsIndex.end() ? -1 : static_cast<std::int64_t>(it->second);
}

long double OutgoingCost(long double pBalanceQtty, long double pBalanceSum, long double pQtty) {
  const long double q = pBalanceQtty;
  const long double s = pBalanceSum;
  if (IsFloatNull(q)) return FloatToPrice(s);  // a leftover value without quantity leaves whole
  if (pQtty <= q || IsFloatNull(pQtty - q)) return FloatToPrice(pQtty * s / q);
  return FloatToPrice(s);  // more than is left: the whole remaining value
}

long double TCStoreGoods::GetCostGoodsById(std::int64_t pGoodId, long double pQtty) {
  const std::int64_t pos = FindGoodsById(pGoodId);
  if (pos < 0) return 0;
  TStoreGoods& item = mGoodsList[static_cast<std::size_t>(pos)];
  const long double q = item.fQtty;
  const long double s = item.fSum;
  const long double result = OutgoingCost(q, s, pQtty);
  item.fSum = s - result;
  item.fQtty = q - pQtty;
  return result;
}

}  // namespace tir::posting
