#include "posting/mass_repost_batch.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include "db/query.h"
#include "db/value.h"
#include "posting/register_rows.h"
#include "posting/store_goods_cost.h"
#include "settings/number_forms.h"
#include "settings/tir_codes.h"

namespace tir::posting {

bool TTirBatchStoreKeyComparer::Equals(const TTirBatchStoreKey& a, const TTirBatchStoreKey& b) {
  return a.fEntId == b.fEntId && a.fStoreId == b.fStoreId && a.fGoodId == b.fGoodId;
}

std::int32_t TTirBatchStoreKeyComparer::GetHashCode(const TTirBatchStoreKey& key) {
  const std::uint64_t h = static_cast<std::uint64_t>(key.fEntId) ^
                          (static_cast<std::uint64_t>(key.fStoreId) << 17U) ^
                          (static_cast<std::uint64_t>(key.fGoodId) << 33U);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>((h >> 32U) ^ (h & 0xFFFFFFFFU)));
}

TTirMassRepostBatch::TTirMassRepostBatch(db::Connection& AConnection) : FConnection(&AConnection) {
  FQueryGoods = CreateQuery("", false);
  FQueryBalance = CreateQuery(
      "SELECT {IF MSSQL}TOP 1 {fi} fQtty,fSum FROM tirAStoreNow WHERE fEntId=:pEntId AND "
      "fStoreId=:pStoreId AND fGoodId=:pGoodId {IF SQLite}LIMIT 1{fi};",
      true);
  FQueryMovement = CreateQuery(
      "INSERT INTO tirAStore "
      "(fEntId,fStoreId,fGoodId,fPartId,fDateTime,fOperType,fDocId,fSign,fQtty,fSum,fPosGoodId,"
      "fContractId,fTransactId) VALUES "
      "(:pEntId,:pStoreId,:pGoodId,0,:pDateTime,:pOperType,:pDocId,:pSign,:pQtty,:pSum,"
      ":pPosGoodId,:pContractId,:pTransactId);",
      true);
  FQueryBalanceUpdate = CreateQuery(
      "UPDATE tirAStoreNow SET fQtty=fQtty+:pQtty,fSum=fSum+:pSum WHERE fEntId=:pEntId AND "
      "fStoreId=:pStoreId AND fGoodId=:pGoodId;",
      true);
  FQuerySettlement = CreateQuery(
      "INSERT INTO tirAMSettlement "
      "(fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,fDateTime,fStoreId,fOperType) "
      "VALUES (:pContractId,:pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSum,:pDateTime,"
      ":pStoreId,:pOperType);",
      true);
  FQueryPayment = CreateQuery(
      "INSERT INTO tirAPayments "
      "(fContractId,fTransactId,fEntId,fPartId,fDocId,fSign,fSum,fDateTime,fOperType,"
      "fCashAccountId,fStoreId,fItemCost) VALUES "
      "(:pContractId,:pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSum,:pDateTime,:pOperType,"
      ":pCashAccountId,:pStoreId,:pItemCost);",
      true);
  FQueryState = CreateQuery("", false);
  LoadCashAccountTypes();
}

TTirMassRepostBatch::~TTirMassRepostBatch() = default;

std::unique_ptr<db::Query> TTirMassRepostBatch::CreateQuery(const std::string& text, bool prepare) {
  auto q = std::make_unique<db::Query>(*FConnection);
  q->SetFetchAll(true);
  q->SetSql(text);
  // Statements are prepared on their first run and stay prepared while the text is kept.
  (void)prepare;
  return q;
}

TTirBatchStoreKey TTirMassRepostBatch::MakeStoreKey(std::int64_t entity, std::int64_t store,
                                                    std::int64_t good) {
  return TTirBatchStoreKey{entity, store, good};
}

void TTirMassRepostBatch::LoadCashAccountTypes() {
  FQueryGoods->Close();
  FQueryGoods->SetSql("SELECT fId,fType FROM tirCashAccounts;");
  FQueryGoods->Open();
  for (; !FQueryGoods->Eof(); FQueryGoods->Next()) {
    FCashAccountTypes.emplace(FQueryGoods->FieldByName("fId").AsInt64(),
                              FQueryGoods->FieldByName("fType").AsInt32());
  }
  FQueryGoods->Close();
}

bool TTirMassRepostBatch::IsBonusCashAccount(std::int64_t accountId) const {
  const auto it = FCashAccountTypes.find(accountId);
  return it != FCashAccountTypes.end() && it->second == 1;
}

void TTirMassRepostBatch::PrepareBatch(db::Query& ADocuments) {
  Flush();
  FGoodsByDoc.clear();
  FBalances.clear();
  FDirtyBalances.clear();
  FNoBalanceRow.clear();
  if (!ADocuments.IsOpen()) return;
  ADocuments.First();
  if (ADocuments.Eof()) return;
  std::string ids;
  for (; !ADocuments.Eof(); ADocuments.Next()) {
    if (!ids.empty()) ids += ',';
    ids += std::to_string(ADocuments.FieldByName("fId").AsInt64());
  }
  ADocuments.First();

  db::Query& q = *FQueryGoods;
  q.Close();
  q.SetSql(
      "SELECT g.fId,g.fDocId,g.fGoodId,g.fSum,g.fQtty,g.fPosId,g.fTypeInDoc,g.fPriceIn,"
      "g.fPriceOut,g.fDiscount,d.fEntityId,d.fStoreId,d.fStoreId2,n1.fQtty AS "
      "fStartQtty,n1.fSum AS fStartSum,n2.fQtty AS fStartQtty2,n2.fSum AS fStartSum2 FROM "
      "tirDocGoods g INNER JOIN tirDocuments d ON d.fId=g.fDocId LEFT JOIN tirAStoreNow n1 ON "
      "n1.fEntId=d.fEntityId  AND n1.fStoreId=d.fStoreId AND n1.fGoodId=g.fGoodId LEFT JOIN "
      "tirAStoreNow n2 ON n2.fEntId=d.fEntityId  AND n2.fStoreId=d.fStoreId2 AND "
      "n2.fGoodId=g.fGoodId WHERE g.fDocId IN (" +
      ids + ") " + "ORDER BY g.fDocId,g.fId;");
  q.Open();
  // Columns by position, in the order of the select list.
  for (; !q.Eof(); q.Next()) {
    TTirBatchDocGood line;
    line.fId = q.FieldByIndex(0).AsInt64();
    line.fDocId = q.FieldByIndex(1).AsInt64();
    line.fGoodId = q.FieldByIndex(2).AsInt64();
    line.fSum = q.FieldByIndex(3).AsExtended();
    line.fQtty = q.FieldByIndex(4).AsExtended();
    line.fPosId = q.FieldByIndex(5).AsInt64();
    line.fTypeInDoc = q.FieldByIndex(6).AsInt32();
    line.fPriceIn = q.FieldByIndex(7).AsExtended();
    line.fPriceOut = q.FieldByIndex(8).AsExtended();
    line.fDiscount = q.FieldByIndex(9).AsExtended();
    auto& list = FGoodsByDoc[line.fDocId];
    if (!list) list = std::make_unique<std::vector<TTirBatchDocGood>>();
    list->push_back(line);

    const std::int64_t entity = q.FieldByIndex(10).AsInt64();
    const std::int64_t store2 = q.FieldByIndex(12).AsInt64();
    // The starting balance of a store, from the columns qtty and qtty + 1; NULL reads as 0, and
    // NULL in both means the balance row is missing.
    const auto start = [&](std::int64_t store, std::size_t qtty) {
      const TTirBatchStoreKey key = MakeStoreKey(entity, store, line.fGoodId);
      const db::Field q1 = q.FieldByIndex(qtty);
      const db::Field s1 = q.FieldByIndex(qtty + 1);
      if (FBalances.try_emplace(key, TTirBatchStoreBalance{q1.AsExtended(), s1.AsExtended()})
              .second &&
          q1.IsNull() && s1.IsNull()) {
        FNoBalanceRow.insert(key);
      }
    };
    start(q.FieldByIndex(11).AsInt64(), 13);
    if (store2 != 0) start(store2, 15);
  }
  q.Close();
}

TTirBatchStoreBalance TTirMassRepostBatch::GetBalance(const TTirBatchStoreKey& key) {
  const auto it = FBalances.find(key);
  if (it != FBalances.end()) return it->second;
  db::Query& q = *FQueryBalance;
  q.Close();
  q.ParamByName("pEntId").SetInt64(key.fEntId);
  q.ParamByName("pStoreId").SetInt64(key.fStoreId);
  q.ParamByName("pGoodId").SetInt64(key.fGoodId);
  q.Open();
  TTirBatchStoreBalance balance;
  if (!q.Eof()) {
    balance.fQtty = q.FieldByName("fQtty").AsExtended();
    balance.fSum = q.FieldByName("fSum").AsExtended();
  } else {
    FNoBalanceRow.insert(key);
  }
  q.Close();
  FBalances.emplace(key, balance);
  return balance;
}

void TTirMassRepostBatch::SetBalance(const TTirBatchStoreKey& key,
                                     const TTirBatchStoreBalance& balance) {
  TTirBatchStoreBalance& stored = FBalances[key];  // 0/0 when missing
  TTirBatchStoreBalance& dirty = FDirtyBalances[key];
  dirty.fQtty += balance.fQtty - stored.fQtty;
  dirty.fSum += balance.fSum - stored.fSum;
  stored = balance;
}

long double TTirMassRepostBatch::CalculateOutgoingCost(const TTirBatchStoreKey& key,
                                                       long double qtty) {
  const TTirBatchStoreBalance b = GetBalance(key);
  return OutgoingCost(b.fQtty, b.fSum, qtty);
}

void TTirMassRepostBatch::AppendMovement(std::int64_t entity, std::int64_t store, std::int64_t good,
                                         double dateTime, std::int32_t operType, std::int64_t docId,
                                         std::int32_t sign, long double qtty, long double sum,
                                         std::int64_t posGoodId, std::int64_t contract,
                                         std::int64_t transact) {
  FMovements.push_back(TTirBatchMovement{entity, store, good, dateTime, operType, docId, sign, qtty,
                                         sum, posGoodId, contract, transact});
  const TTirBatchStoreKey key = MakeStoreKey(entity, store, good);
  TTirBatchStoreBalance balance = GetBalance(key);
  if (FNoBalanceRow.count(key) != 0) return;  // the movement changes no balance
  balance.fQtty += sign * qtty;
  balance.fSum += sign * sum;
  SetBalance(key, balance);
}

void TTirMassRepostBatch::AppendSettlement(std::int64_t contract, std::int64_t transact,
                                           std::int64_t entity, std::int64_t partner,
                                           std::int64_t docId, std::int32_t sign, long double sum,
                                           double dateTime, std::int64_t store,
                                           std::int32_t operType) {
  FSettlements.push_back(TTirBatchSettlement{contract, transact, entity, partner, docId, sign, sum,
                                             dateTime, store, operType});
}

void TTirMassRepostBatch::AppendPayment(std::int64_t contract, std::int64_t transact,
                                        std::int64_t entity, std::int64_t partner,
                                        std::int64_t docId, std::int32_t sign, long double sum,
                                        double dateTime, std::int32_t operType,
                                        std::int64_t cashAccount, std::int64_t store,
                                        std::int64_t itemCost) {
  FPayments.push_back(TTirBatchPayment{contract, transact, entity, partner, docId, sign, sum,
                                       dateTime, operType, cashAccount, store, itemCost});
}

void TTirMassRepostBatch::AppendPostedDocument(std::int64_t docId) {
  FPostedDocumentIds.push_back(docId);
}

const std::vector<TTirBatchDocGood>* TTirMassRepostBatch::GoodsForDocument(
    std::int64_t docId) const {
  const auto it = FGoodsByDoc.find(docId);
  return it == FGoodsByDoc.end() ? nullptr : it->second.get();
}

bool TTirMassRepostBatch::TryPostDocument(db::Query& ADocument) {
  if (!ADocument.IsOpen() || ADocument.Eof()) return false;
  const TProvDocHeader d = ReadProvDocHeader(ADocument);
  const std::int64_t id = d.fId;
  if (d.fState != 0 && d.fState != 3) {
    if (d.fDocType == kDocCustomerOrder || d.fDocType == kDocSupplierOrder ||
        d.fDocType == kDocRevaluation) {
      ++FTally.posted;
      AppendPostedDocument(id);
      if (FPostedDocumentIds.size() >= kStateFlushLimit) Flush();
    } else {
      ++FTally.leftAlone;
    }
    return true;
  }
  const std::vector<TTirBatchDocGood> none;
  const std::vector<TTirBatchDocGood>* found = GoodsForDocument(id);
  const std::vector<TTirBatchDocGood>& lines = found != nullptr ? *found : none;
  const auto move = [&](std::int64_t store, const TTirBatchDocGood& line, std::int32_t sign,
                        long double qtty, long double sum, std::int64_t contract,
                        std::int64_t transact) {
    AppendMovement(d.fEntityId, store, line.fGoodId, d.fDateTime, d.fDocType, id, sign, qtty, sum,
                   line.fId, contract, transact);
  };
  const auto outCost = [&](std::int64_t store, const TTirBatchDocGood& line) {
    return CalculateOutgoingCost(MakeStoreKey(d.fEntityId, store, line.fGoodId), line.fQtty);
  };

  switch (d.fDocType) {
    case kDocReceipt:
    case kDocSale: {
      const std::int32_t sign = d.fDocType == kDocReceipt ? 1 : -1;
      for (const TTirBatchDocGood& line : lines) {
        const long double sum =
            sign > 0 ? FloatToPrice(line.fSum * d.fCurrRate) : outCost(d.fStoreId, line);
        move(d.fStoreId, line, sign, line.fQtty, sum, d.fContractId, d.fTransactId);
      }
      if (FloatToPrice(d.fDocSum * d.fCurrRate) != 0) {
        AppendSettlement(d.fContractId, d.fTransactId, d.fEntityId, d.fPartnerId, id, sign,
                         d.fDocSum, d.fDateTime, d.fStoreId, d.fDocType);
      }
      break;
    }
    case kDocMoneyIn:
    case kDocMoneyOut: {
      const std::int32_t sign = d.fDocType == kDocMoneyIn ? 1 : -1;
      if (d.fDocSum != 0) {
        if (d.fPartnerId != 0 && !IsBonusCashAccount(d.fCashAccountId)) {
          AppendSettlement(d.fContractId, d.fTransactId, d.fEntityId, d.fPartnerId, id, sign,
                           d.fDocSum, d.fDateTime, d.fStoreId, d.fDocType);
        }
        AppendPayment(d.fContractId, d.fTransactId, d.fEntityId, d.fPartnerId, id, sign,
                      FloatToPrice(d.fDocSum * d.fCurrRate), d.fDateTime, d.fDocType,
                      d.fCashAccountId, d.fStoreId, d.fItemCost);
      }
      break;
    }
    case kDocStoreMove:
      for (const TTirBatchDocGood& line : lines) {
        const long double sum = outCost(d.fStoreId, line);
        move(d.fStoreId, line, -1, line.fQtty, sum, 0, 0);
        move(d.fStoreId2, line, 1, line.fQtty, sum, 0, 0);
      }
      break;
    case kDocWriteOff:
    case kDocTakeOnStock: {
      const std::int32_t sign = d.fDocType == kDocTakeOnStock ? 1 : -1;
      for (const TTirBatchDocGood& line : lines) {
        const long double sum = sign > 0 ? FloatToPrice(line.fSum) : outCost(d.fStoreId, line);
        move(d.fStoreId, line, sign, line.fQtty, sum, d.fContractId, d.fTransactId);
      }
      break;
    }
    case kDocSupplierReturn:
      for (const TTirBatchDocGood& line : lines) {
        move(d.fStoreId, line, -1, line.fQtty, outCost(d.fStoreId, line), d.fContractId,
             d.fTransactId);
      }
      if (d.fDocSum != 0) {
        AppendSettlement(d.fContractId, d.fTransactId, d.fEntityId, d.fPartnerId, id, -1, d.fDocSum,
                         d.fDateTime, d.fStoreId, d.fDocType);
      }
      break;
    case kDocInventory: {
      // Every shortage is valued at the balance as it stood before the document, as the
      // single-document recount reads it from tirAStoreNow, not at the balance left by the
      // document's earlier lines: the batch must write exactly what single posting writes, and a
      // good can appear on several lines of one recount.
      std::vector<std::pair<const TTirBatchDocGood*, long double>> rows;
      for (const TTirBatchDocGood& line : lines) {
        const long double diff = line.fDiscount;
        if (diff >= -1e-12L && diff <= 1e-12L) continue;
        const TTirBatchStoreBalance book =
            GetBalance(MakeStoreKey(d.fEntityId, d.fStoreId, line.fGoodId));
        rows.emplace_back(
            &line, InventoryMovementSum(diff, line.fQtty, line.fPriceIn, book.fQtty, book.fSum));
      }
      for (const auto& [line, sum] : rows) {
        const long double diff = line->fDiscount;
        move(d.fStoreId, *line, diff < 0 ? -1 : 1, diff < 0 ? -diff : diff, sum, d.fContractId,
             d.fTransactId);
      }
      break;
    }
    case kDocProduction:
      if (!PostProduction(d, lines)) {
        ++FTally.posted;
        return true;  // no products: no rows and no state change
      }
      break;
    case kDocCustomerOrder:
    case kDocSupplierOrder:
    case kDocRevaluation:
      break;
    default:
      ++FTally.fallenBack;
      return false;  // customer returns and types without postings: ordinary way
  }
  ++FTally.posted;
  if (d.fState == 3) AppendPostedDocument(id);
  if (FMovements.size() >= kMovementFlushLimit || FPostedDocumentIds.size() >= kStateFlushLimit) {
    Flush();
  }
  return true;
}

bool TTirMassRepostBatch::PostProduction(const TProvDocHeader& d,
                                         const std::vector<TTirBatchDocGood>& lines) {
  std::vector<const TTirBatchDocGood*> products, ingredients;
  for (const TTirBatchDocGood& line : lines) {
    if (line.fTypeInDoc == 1) products.push_back(&line);
    if (line.fTypeInDoc == 2) ingredients.push_back(&line);
  }
  if (products.empty()) return false;
  std::stable_sort(ingredients.begin(), ingredients.end(),
                   [](const TTirBatchDocGood* a, const TTirBatchDocGood* b) {
                     return a->fPosId < b->fPosId;  // lines are already in id order
                   });
  // Ingredients are valued at the balances the document starts from, each line using up what
  // the earlier ones took, as the single-document cost cache does; products added by the
  // document do not count, so every cost is worked out before any row is appended.
  std::unordered_map<std::int64_t, TTirBatchStoreBalance> cache;
  std::vector<long double> costs;
  for (const TTirBatchDocGood* line : ingredients) {
    auto it = cache.find(line->fGoodId);
    if (it == cache.end()) {
      it = cache
               .emplace(line->fGoodId,
                        GetBalance(MakeStoreKey(d.fEntityId, d.fStoreId, line->fGoodId)))
               .first;
    }
    const long double cost = OutgoingCost(it->second.fQtty, it->second.fSum, line->fQtty);
    it->second.fSum -= cost;
    it->second.fQtty -= line->fQtty;
    costs.push_back(cost);
  }
  const auto ingredient = [&](std::size_t i) {
    const TTirBatchDocGood& l = *ingredients[i];
    AppendMovement(d.fEntityId, d.fStoreId, l.fGoodId, d.fDateTime, -d.fDocType, d.fId, -1, l.fQtty,
                   costs[i], l.fId, d.fContractId, d.fTransactId);
  };
  const auto product = [&](const TTirBatchDocGood& p, long double sum) {
    AppendMovement(d.fEntityId, d.fStoreId, p.fGoodId, d.fDateTime, d.fDocType, d.fId, 1, p.fQtty,
                   sum, p.fId, d.fContractId, d.fTransactId);
  };
  const auto productOf = [&](std::int64_t posId) -> const TTirBatchDocGood* {
    for (const TTirBatchDocGood* p : products) {
      if (p->fPosId == posId) return p;
    }
    return nullptr;
  };
  if (d.fTagInt != kProduceByItem) {
    // Each product takes the cost of its own ingredients (grouped by position).
    if (ingredients.empty()) return true;
    long double accumulated = 0;
    std::int64_t group = ingredients.front()->fPosId;
    for (std::size_t i = 0; i < ingredients.size(); ++i) {
      ingredient(i);
      accumulated = FloatToPrice(accumulated + costs[i]);
      if (ingredients[i]->fPosId != group) {
        if (const TTirBatchDocGood* p = productOf(group)) {
          product(*p, FloatToPrice(accumulated - costs[i]));
        }
        group = ingredients[i]->fPosId;
        accumulated = costs[i];
      }
      if (i + 1 == ingredients.size()) {
        if (const TTirBatchDocGood* p = productOf(group)) product(*p, FloatToPrice(accumulated));
      }
    }
    return true;
  }
  // The cost of all ingredients is shared among all products by quantity.
  long double total = 0;
  for (std::size_t i = 0; i < ingredients.size(); ++i) {
    ingredient(i);
    total = FloatToPrice(total + costs[i]);
  }
  std::vector<long double> qtties;
  for (const TTirBatchDocGood* p : products) qtties.push_back(p->fQtty);
  const std::vector<long double> sums = SharedProductCosts(qtties, total);
  for (std::size_t j = 0; j < products.size(); ++j) product(*products[j], sums[j]);
  return true;
}

void TTirMassRepostBatch::InvalidateDocumentBalances(db::Query& ADocument) {
  if (!ADocument.IsOpen() || ADocument.Eof()) return;
  const TProvDocHeader d = ReadProvDocHeader(ADocument);
  const std::vector<TTirBatchDocGood>* lines = GoodsForDocument(d.fId);
  if (lines == nullptr) return;
  const auto forget = [&](std::int64_t store, std::int64_t good) {
    const TTirBatchStoreKey key = MakeStoreKey(d.fEntityId, store, good);
    FBalances.erase(key);
    FNoBalanceRow.erase(key);
  };
  for (const TTirBatchDocGood& line : *lines) {
    forget(d.fStoreId, line.fGoodId);
    if (d.fStoreId2 != 0) forget(d.fStoreId2, line.fGoodId);
  }
}

void TTirMassRepostBatch::ForgetBalance(std::int64_t entity, std::int64_t store,
                                        std::int64_t good) {
  const TTirBatchStoreKey key = MakeStoreKey(entity, store, good);
  FBalances.erase(key);
  FNoBalanceRow.erase(key);
}

void TTirMassRepostBatch::Flush() {
  FlushMovements();
  FlushBalances();
  FlushSettlements();
  FlushPayments();
  FlushStates();
}

namespace {

// Parameter slots of an array statement, by position.
template <std::size_t N>
struct ParamRow {
  explicit ParamRow(db::Query& q, std::size_t rows) {
    q.Close();
    q.SetArraySize(rows);
    for (std::size_t i = 0; i < N; ++i) p[i] = &q.ParamByIndex(i);
  }
  db::Param* p[N];
};

db::Value Id(std::int64_t v) { return db::Value::Int64(v); }
db::Value Num(long double v) { return db::Value::Double(static_cast<double>(v)); }

void Execute(db::Query& q) {
  q.ExecuteArray();
  q.Close();
}

}  // namespace

void TTirMassRepostBatch::FlushMovements() {
  if (FMovements.empty()) return;
  ParamRow<12> r(*FQueryMovement, FMovements.size());
  for (std::size_t i = 0; i < FMovements.size(); ++i) {
    const TTirBatchMovement& m = FMovements[i];
    r.p[0]->SetAt(i, Id(m.fEntId));
    r.p[1]->SetAt(i, Id(m.fStoreId));
    r.p[2]->SetAt(i, Id(m.fGoodId));
    r.p[3]->SetAt(i, db::Value::DateTime(m.fDateTime));
    r.p[4]->SetAt(i, db::Value::Int32(m.fOperType));
    r.p[5]->SetAt(i, Id(m.fDocId));
    r.p[6]->SetAt(i, db::Value::Int32(m.fSign));
    r.p[7]->SetAt(i, Num(m.fQtty));
    r.p[8]->SetAt(i, Num(m.fSum));
    r.p[9]->SetAt(i, Id(m.fPosGoodId));
    r.p[10]->SetAt(i, Id(m.fContractId));
    r.p[11]->SetAt(i, Id(m.fTransactId));
  }
  Execute(*FQueryMovement);
  FMovements.clear();
}

void TTirMassRepostBatch::FlushBalances() {
  if (FDirtyBalances.empty()) return;
  // Rows are updated in the order of the balance index, so that consecutive updates walk its
  // pages forward instead of jumping between them in the hash map's order.
  std::vector<const TBalanceMap::value_type*> dirty;
  dirty.reserve(FDirtyBalances.size());
  for (const auto& entry : FDirtyBalances) dirty.push_back(&entry);
  std::sort(dirty.begin(), dirty.end(), [](const auto* a, const auto* b) {
    return std::tie(a->first.fEntId, a->first.fStoreId, a->first.fGoodId) <
           std::tie(b->first.fEntId, b->first.fStoreId, b->first.fGoodId);
  });
  ParamRow<5> r(*FQueryBalanceUpdate, dirty.size());
  for (std::size_t i = 0; i < dirty.size(); ++i) {
    const auto& [key, delta] = *dirty[i];
    r.p[0]->SetAt(i, Num(delta.fQtty));
    r.p[1]->SetAt(i, Num(delta.fSum));
    r.p[2]->SetAt(i, Id(key.fEntId));
    r.p[3]->SetAt(i, Id(key.fStoreId));
    r.p[4]->SetAt(i, Id(key.fGoodId));
  }
  Execute(*FQueryBalanceUpdate);
  FDirtyBalances.clear();
}

void TTirMassRepostBatch::FlushSettlements() {
  if (FSettlements.empty()) return;
  ParamRow<10> r(*FQuerySettlement, FSettlements.size());
  for (std::size_t i = 0; i < FSettlements.size(); ++i) {
    const TTirBatchSettlement& s = FSettlements[i];
    r.p[0]->SetAt(i, Id(s.fContractId));
    r.p[1]->SetAt(i, Id(s.fTransactId));
    r.p[2]->SetAt(i, Id(s.fEntId));
    r.p[3]->SetAt(i, Id(s.fPartId));
    r.p[4]->SetAt(i, Id(s.fDocId));
    r.p[5]->SetAt(i, db::Value::Int32(s.fSign));
    r.p[6]->SetAt(i, Num(s.fSum));
    r.p[7]->SetAt(i, db::Value::DateTime(s.fDateTime));
    r.p[8]->SetAt(i, Id(s.fStoreId));
    r.p[9]->SetAt(i, db::Value::Int32(s.fOperType));
  }
  Execute(*FQuerySettlement);
  FSettlements.clear();
}

void TTirMassRepostBatch::FlushPayments() {
  if (FPayments.empty()) return;
  ParamRow<12> r(*FQueryPayment, FPayments.size());
  for (std::size_t i = 0; i < FPayments.size(); ++i) {
    const TTirBatchPayment& p = FPayments[i];
    r.p[0]->SetAt(i, Id(p.fContractId));
    r.p[1]->SetAt(i, Id(p.fTransactId));
    r.p[2]->SetAt(i, Id(p.fEntId));
    r.p[3]->SetAt(i, Id(p.fPartId));
    r.p[4]->SetAt(i, Id(p.fDocId));
    r.p[5]->SetAt(i, db::Value::Int32(p.fSign));
    r.p[6]->SetAt(i, Num(p.fSum));
    r.p[7]->SetAt(i, db::Value::DateTime(p.fDateTime));
    r.p[8]->SetAt(i, db::Value::Int32(p.fOperType));
    r.p[9]->SetAt(i, Id(p.fCashAccountId));
    r.p[10]->SetAt(i, Id(p.fStoreId));
    r.p[11]->SetAt(i, Id(p.fItemCost));
  }
  Execute(*FQueryPayment);
  FPayments.clear();
}

void TTirMassRepostBatch::FlushStates() {
  if (FPostedDocumentIds.empty()) return;
  std::string ids;
  for (const std::int64_t id : FPostedDocumentIds) {
    if (!ids.empty()) ids += ',';
    ids += std::to_string(id);
  }
  FQueryState->Close();
  FQueryState->SetSql("UPDATE tirDocuments SET fState=0 WHERE fId IN (" + ids + ");");
  FQueryState->ExecSql();
  FQueryState->Close();
  FPostedDocumentIds.clear();
}

}  // namespace tir::posting
