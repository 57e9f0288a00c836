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

std::vector<long double> SharedProductCosts(const std::vector<long double>& pQtties,
                                            long double pTotal) {
  long double totalQtty = 0;
  for (const long double q : pQtties) totalQtty += q;
  std::vector<long double> sums;
  sums.reserve(pQtties.size());
  long double allocated = 0;
  for (std::size_t j = 0; j < pQtties.size(); ++j) {
    long double sum = 0;
    if (IsFloatNull(pTotal - allocated) || IsFloatNull(totalQtty) || IsFloatNull(pQtties[j])) {
      sum = 0;
    } else if (j + 1 == pQtties.size()) {
      sum = FloatToPrice(pTotal - allocated);  // the last product takes the remainder
      if (sum < 0) sum = 0;
      allocated += sum;
    } else {
      sum = FloatToPrice(pQtties[j] / totalQtty * pTotal);
      allocated += sum;
    }
    sums.push_back(sum);
  }
  return sums;
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
