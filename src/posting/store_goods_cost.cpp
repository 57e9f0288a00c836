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

long double TCStoreGoods::GetCostGoodsById(std::int64_t pGoodId, long double pQtty) {
  const std::int64_t pos = FindGoodsById(pGoodId);
  if (pos < 0) return 0;
  TStoreGoods& item = mGoodsList[static_cast<std::size_t>(pos)];
  const long double q = item.fQtty;
  const long double s = item.fSum;
  long double result;
  if (IsFloatNull(q)) {        // NOLINT(bugprone-branch-clone): distinct costing rules, same sum
    result = FloatToPrice(s);  // a leftover value without quantity leaves whole
  } else if (pQtty <= q || IsFloatNull(pQtty - q)) {
    result = FloatToPrice(pQtty * s / q);
  } else {
    result = FloatToPrice(s);  // more than is left: the whole remaining value
  }
  item.fSum = s - result;
  item.fQtty = q - pQtty;
  return result;
}

}  // namespace tir::posting
