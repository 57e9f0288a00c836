#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tir::db {
class Query;
}

namespace tir::posting {

// The store balance of one good as the outgoing-cost cache holds it.
struct TStoreGoods {
  std::int64_t fID = 0;
  long double fQtty = 0;
  long double fSum = 0;
};

// Cost of taking `pQtty` out of a balance (`pBalanceQtty`, `pBalanceSum`): the average cost, or the
// whole remaining value when the balance holds no quantity or less than is taken.
long double OutgoingCost(long double pBalanceQtty, long double pBalanceSum, long double pQtty);

// Shares the cost `pTotal` of a production among its products by quantity: the sums of products
// with quantities `pQtties`, in order, the last one taking the remainder (never below 0).
std::vector<long double> SharedProductCosts(const std::vector<long double>& pQtties,
                                            long double pTotal);

// Outgoing-cost cache of one document's posting: the store balance of every good the document
// takes out. Each quantity taken gets the average cost of the balance and reduces the balance, so
// several lines of one good share it.
class TCStoreGoods {
 public:
  void Clear();
  // Loads from a lines query with the columns fGoodId, fQttyStore and fSum (the store balance
  // joined to each line); a good met again keeps its first entry. Leaves the query on its first
  // row.
  void LoadFromQuery(db::Query& pQuery);
  // Position of the good in the list, or -1.
  std::int64_t FindGoodsById(std::int64_t pGoodId) const;
  // Cost of taking `pQtty` of the good; 0 for a good not loaded.
  long double GetCostGoodsById(std::int64_t pGoodId, long double pQtty);

  std::size_t Count() const { return mGoodsList.size(); }
  const TStoreGoods& At(std::size_t index) const { return mGoodsList.at(index); }

 private:
  std::vector<TStoreGoods> mGoodsList;
  std::unordered_map<std::int64_t, std::size_t> mGoodsIndex;
};

}  // namespace tir::posting
