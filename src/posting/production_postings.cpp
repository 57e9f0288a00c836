// Production: each product takes the cost of its own ingredients (ProvodkaProduce), or the cost
// of all ingredients is shared among all products by quantity (ProvodkaProduceItem2).
#include <vector>

#include "db/query.h"
#include "posting/main_provodka.h"
#include "settings/number_forms.h"

namespace tir::posting {

namespace {

struct ProductLine {
  std::int64_t fId = 0;
  std::int64_t fGoodId = 0;
  long double fQtty = 0;
  std::int64_t fPosId = 0;
};

constexpr const char* kProductsSql =
    "SELECT t1.[fId],t1.[fGoodId],t1.[fQtty],t1.[fPosId] FROM [tirDocGoods] t1 WHERE "
    "(t1.fTypeInDoc=1) AND (t1.[fDocId] = :pId)   ORDER BY t1.fId;";

// Ingredients grouped by the product they belong to, with the store balance of each good.
constexpr const char* kIngredientsSql =
    "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t1.[fQtty],t1.[fPosId],t2.fQtty AS "
    "fQttyStore FROM [tirDocGoods] t1  LEFT JOIN tirAStoreNow t2 ON t2.fGoodId = "
    "t1.fGoodId AND t2.fEntId = :pEntId AND t2.fStoreId = :pStoreId  WHERE "
    "(t1.fTypeInDoc=2) AND (t1.[fDocId] = :pId) ORDER BY t1.fPosId,t1.fId;";

// The products of the open products query `q`, which it closes.
std::vector<ProductLine> ReadProducts(db::Query& q) {
  std::vector<ProductLine> products;
  products.reserve(q.RecordCount());
  for (q.First(); !q.Eof(); q.Next()) {
    products.push_back({q.FieldByName("fId").AsInt64(), q.FieldByName("fGoodId").AsInt64(),
                        q.FieldByName("fQtty").AsExtended(), q.FieldByName("fPosId").AsInt64()});
  }
  q.Close();
  return products;
}

const ProductLine* FindProduct(const std::vector<ProductLine>& products, std::int64_t posId) {
  for (const ProductLine& p : products) {
    if (p.fPosId == posId) return &p;
  }
  return nullptr;
}

// The movement of the ingredient on which `q` stands, valued by the cost cache: out of the store
// under the negated document type.
TStoreMovement IngredientMovement(const TProvDocHeader& doc, std::int64_t pId, const db::Query& q,
                                  TCStoreGoods& cache) {
  TStoreMovement m = LineMovement(doc, pId, q, -1);
  m.fOperType = -doc.fDocType;
  m.fSum = cache.GetCostGoodsById(m.fGoodId, m.fQtty);
  return m;
}

TStoreMovement ProductMovement(const TProvDocHeader& doc, std::int64_t pId, const ProductLine& p,
                               long double sum) {
  TStoreMovement m = MovementOf(doc, pId);
  m.fGoodId = p.fGoodId;
  m.fSign = 1;
  m.fQtty = p.fQtty;
  m.fSum = sum;
  m.fPosGoodId = p.fId;
  return m;
}

}  // namespace

void TDMMainProvodka::ProvodkaProduce(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, false)) return;
  const TProvDocHeader& doc = run.doc;
  const std::vector<ProductLine> products = ReadProducts(OpenLines(kProductsSql, doc, pId));
  if (products.empty()) return;  // nothing made: no rows and no state update
  db::Query& q = OpenLines(kIngredientsSql, doc, pId);
  gProvStore->LoadFromQuery(q);
  std::vector<TStoreMovement> rows;
  if (q.RecordCount() > 0) {
    rows.reserve(q.RecordCount() + products.size());
    long double accumulated = 0;
    q.First();
    std::int64_t group = q.FieldByName("fPosId").AsInt64();
    std::size_t index = 0;
    const std::size_t count = q.RecordCount();
    for (; !q.Eof(); q.Next(), ++index) {
      const TStoreMovement m = IngredientMovement(doc, pId, q, *gProvStore);
      const long double cost = m.fSum;
      rows.push_back(m);
      accumulated = FloatToPrice(accumulated + cost);

      const std::int64_t posId = q.FieldByName("fPosId").AsInt64();
      if (posId != group) {
        // The previous group is complete: its product takes what was accumulated before this one.
        if (const ProductLine* p = FindProduct(products, group)) {
          rows.push_back(ProductMovement(doc, pId, *p, FloatToPrice(accumulated - cost)));
        }
        group = posId;
        accumulated = cost;
      }
      if (index + 1 == count) {
        if (const ProductLine* p = FindProduct(products, group)) {
          rows.push_back(ProductMovement(doc, pId, *p, FloatToPrice(accumulated)));
        }
      }
    }
    WriteStoreMovements(Kept(kStoreMovementSql), rows);
  }
  q.Close();
  FinishRun(pId, run);
}

void TDMMainProvodka::ProvodkaProduceItem2(std::int64_t pId, int pOn, db::Query& pQueryDoc1) {
  TPostingRun run;
  if (!StartRun(pId, pQueryDoc1, run)) return;
  if (!ClearOldEntries(pId, pOn, run, true, false)) return;
  const TProvDocHeader& doc = run.doc;
  const std::vector<ProductLine> products = ReadProducts(OpenLines(kProductsSql, doc, pId));
  if (products.empty()) return;  // nothing made: no rows and no state update
  db::Query& q = OpenLines(kIngredientsSql, doc, pId);
  gProvStore->LoadFromQuery(q);
  std::vector<TStoreMovement> rows;
  rows.reserve(q.RecordCount() + products.size());
  long double total = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    const TStoreMovement m = IngredientMovement(doc, pId, q, *gProvStore);
    rows.push_back(m);
    total = FloatToPrice(total + m.fSum);
  }
  q.Close();

  std::vector<long double> qtties;
  for (const ProductLine& p : products) qtties.push_back(p.fQtty);
  const std::vector<long double> sums = SharedProductCosts(qtties, total);
  for (std::size_t j = 0; j < products.size(); ++j) {
    rows.push_back(ProductMovement(doc, pId, products[j], sums[j]));
  }
  WriteStoreMovements(Kept(kStoreMovementSql), rows);
  FinishRun(pId, run);
}

}  // namespace tir::posting
