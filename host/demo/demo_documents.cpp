// Documents of the sample base: headers of types 1–15 with their lines, unposted.
#include <algorithm>
#include <cmath>

#include "db/date_time.h"
#include "db/value.h"
#include "host/demo/demo_context.h"
#include "host/demo/demo_values.h"
#include "host/demo/row_writer.h"
#include "settings/tir_codes.h"

namespace tir::demo {
namespace {

using tir::db::Value;
using tir::db::ValueType;

// A date-time as the number yyyymmddhhnnss, the form fiscal devices report.
std::int64_t CompactDate(double date) {
  const tir::db::CivilTime t = tir::db::DecodeDateTime(date);
  return ((((static_cast<std::int64_t>(t.year) * 100 + t.month) * 100 + t.day) * 100 + t.hour) *
              100 +
          t.minute) *
             100 +
         t.second;
}

// Share of each document type and the range of its line count (production counts products).
struct TypeSpec {
  int type;
  double weight;
  int minLines, maxLines;
};
const TypeSpec kTypes[] = {
    {kDocReceipt, 8, 5, 45},       {kDocSale, 55, 1, 15},         {kDocInvoice, 0.5, 1, 5},
    {kDocMoneyIn, 6, 0, 0},        {kDocMoneyOut, 6, 0, 0},       {kDocCustomerOrder, 5, 2, 15},
    {kDocSupplierOrder, 3, 5, 20}, {kDocStoreMove, 4, 3, 25},     {kDocWriteOff, 3, 1, 8},
    {kDocTakeOnStock, 1.5, 1, 12}, {kDocCustomerReturn, 2, 1, 3}, {kDocSupplierReturn, 1, 1, 8},
    {kDocProduction, 2, 1, 3},     {kDocInventory, 1, 15, 60},    {kDocRevaluation, 1, 1, 6}};

constexpr std::int64_t kCafeStore = 5;

struct Line {
  std::int64_t good;
  double priceIn, priceOut, discount, sum, qtty, vatSum;
  int typeInDoc, posId;
  std::int64_t parentGood;
};

class DocumentGenerator {
 public:
  explicit DocumentGenerator(DemoContext& context)
      : ctx_(context),
        rnd_(context.random),
        docs_(context.connection, "tirDocuments",
              {"fId",           "fDocNum",        "fDateTime",
               "fRealDateTime", "fEntityId",      "fPartnerId",
               "fStoreId",      "fStoreId2",      "fContractId",
               "fUserId",       "fRealUserId",    "fDesc",
               "fDocType",      "fDocSum",        "fCurrId",
               "fCurrRate",     "fCashAccountId", "fItemCost",
               "fInputNum",     "fInputDate",     "fTransactId",
               "fTreeId",       "fState",         "fTagChar50",
               "fTagInt",       "fTagInt2",       "fTagInt3",
               "fIsPaid",       "fTableId",       "fColor",
               "fPRRODate",     "fPRROFN",        "fPRRORealDate",
               "fWFrom",        "fBaseId",        "fSalePId",
               "fRV",           "fSyncDate",      "fSyncState",
               "fGUID1",        "fGUID2"},
              1024),
        lines_(context.connection, "tirDocGoods",
               {"fDocId", "fGoodId", "fPriceIn", "fPriceOut", "fDiscount", "fCurrId", "fUnitType",
                "fSum", "fQtty", "fVatSum", "fTypeInDoc", "fParentGoodId", "fStrTag1", "fExStamp",
                "fPosId", "fDesc"},
               4096),
        moves_(context.connection, "tirDocStoreMove",
               {"fDocId", "fOldStoreId", "fNewStoreId", "fDateTime", "fUserId"}) {
    for (const TypeSpec& t : kTypes) {
      totalWeight_ += t.weight;
      cumulative_.push_back(totalWeight_);
    }
  }

  std::int64_t Run(std::int64_t count) {
    const double start = tir::db::EncodeDateTime({2024, 1, 1, 0, 0, 0});
    const double span = 365.0;
    std::int64_t reported = 0;
    for (std::int64_t id = 1; id <= count; ++id) {
      // The first fifteen documents are one of each type, so that small bases hold every type.
      const TypeSpec& kind =
          id <= static_cast<std::int64_t>(std::size(kTypes)) ? kTypes[id - 1] : PickType();
      // Documents follow the calendar in id order, written between 8:00 and 22:00.
      const double position =
          (static_cast<double>(id - 1) + rnd_.Real(0.0, 0.9)) / static_cast<double>(count) * span;
      const double day = std::floor(position);
      const double date = Round2Seconds(start + day + (8.0 + 14.0 * (position - day)) / 24.0);
      Document(id, kind, date);
      if (linesWritten_ - reported >= 2000) {
        ctx_.advance(linesWritten_ - reported);
        reported = linesWritten_;
      }
    }
    docs_.Flush();
    lines_.Flush();
    moves_.Flush();
    ctx_.advance(linesWritten_ - reported);
    return linesWritten_;
  }

 private:
  static double Round2Seconds(double day) { return std::round(day * 86400.0) / 86400.0; }

  const TypeSpec& PickType() {
    const double pick = rnd_.Unit() * totalWeight_;
    const auto i = static_cast<std::size_t>(
        std::upper_bound(cumulative_.begin(), cumulative_.end(), pick) - cumulative_.begin());
    return kTypes[std::min(i, std::size(kTypes) - 1)];
  }

  const DemoGood& AnyGood() { return ctx_.goods[rnd_.Skewed(ctx_.goods.size())]; }

  // Goods that a store keeps: no dishes and services outside the cafe.
  const DemoGood& StockGood() {
    for (int attempt = 0; attempt < 8; ++attempt) {
      const DemoGood& g = AnyGood();
      if (g.goodsType == 0) return g;
    }
    return AnyGood();
  }

  double Quantity(const DemoGood& g, double scale) {
    if (g.weighed) return Round3(rnd_.Real(0.1, 3.0) * scale);
    return static_cast<double>(
        rnd_.Range(1, std::max<std::int64_t>(1, static_cast<std::int64_t>(6 * scale))));
  }

  Line MakeLine(const DemoGood& g, double qtty, double price, int posId) {
    Line l{g.id, g.priceIn, g.priceOut, 0.0, Round2(qtty * price), qtty, 0.0, 0, posId, 0};
    l.vatSum = Round2(l.sum * g.vat / (100.0 + g.vat));
    return l;
  }

  void Document(std::int64_t id, const TypeSpec& kind, double date) {
    const int type = kind.type;
    std::size_t entityIndex = rnd_.Chance(0.8) ? 0 : 1;
    std::int64_t store = ctx_.stores[rnd_.Below(ctx_.stores.size())];
    if ((type == kDocCustomerOrder || type == kDocProduction) && rnd_.Chance(0.7))
      store = kCafeStore;
    std::int64_t store2 = 0, partner = 0, contract = 0, cash = 0, itemCost = 0, table = 0;
    std::int64_t salePoint = 0, currency = 1, transact = 0;
    double rate = 1.0;
    int tagInt = 0;
    std::string desc;

    const DemoPartner* who = nullptr;
    if (type == kDocReceipt || type == kDocSupplierOrder || type == kDocSupplierReturn ||
        (type == kDocMoneyOut && rnd_.Chance(0.7))) {
      who = &ctx_.partners[ctx_.suppliers[rnd_.Below(ctx_.suppliers.size())]];
    } else if (type == kDocCustomerOrder || type == kDocCustomerReturn ||
               ((type == kDocSale || type == kDocMoneyIn) &&
                rnd_.Chance(type == kDocSale ? 0.2 : 0.7))) {
      who = &ctx_.partners[ctx_.customers[rnd_.Below(ctx_.customers.size())]];
    }
    if (who != nullptr) {
      partner = who->id;
      if (who->contractByEntity[entityIndex] == 0) entityIndex = 0;
      contract = who->contractByEntity[entityIndex];
    }
    const DemoEntity& entity = ctx_.entities[entityIndex];
    const std::int64_t user =
        (type == kDocSale || type == kDocCustomerReturn || type == kDocCustomerOrder)
            ? ctx_.cashiers[rnd_.Below(ctx_.cashiers.size())]
            : ctx_.users[rnd_.Below(ctx_.users.size())];

    std::vector<Line> lines;
    const int count = static_cast<int>(rnd_.Range(kind.minLines, kind.maxLines));
    switch (type) {
      case kDocReceipt:
        if (rnd_.Chance(0.1)) {
          const DemoCurrency& c = ctx_.currencies[1 + rnd_.Below(2)];
          currency = c.id;
          rate = c.rate;
        }
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = StockGood();
          lines.push_back(MakeLine(g, Quantity(g, 4.0) * 2, Round2(g.priceIn / rate), i + 1));
        }
        desc = rnd_.Chance(0.3) ? "Прихід за накладною постачальника" : "";
        break;
      case kDocSale:
      case kDocCustomerReturn:
        cash = entity.cashAccount;
        salePoint = ctx_.salePoints[rnd_.Below(ctx_.salePoints.size())];
        if (store == kCafeStore && rnd_.Chance(0.6))
          table = ctx_.tables[rnd_.Below(ctx_.tables.size())];
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = (store == kCafeStore && !ctx_.dishes.empty() && rnd_.Chance(0.7))
                                  ? ctx_.goods[ctx_.dishes[rnd_.Below(ctx_.dishes.size())]]
                                  : AnyGood();
          Line l = MakeLine(g, Quantity(g, 1.0), g.priceOut, i + 1);
          if (type == kDocSale && rnd_.Chance(0.1)) {
            l.discount = Round2(l.sum * (rnd_.Chance(0.5) ? 0.05 : 0.1));
            l.sum = Round2(l.sum - l.discount);
            l.vatSum = Round2(l.sum * g.vat / (100.0 + g.vat));
          }
          lines.push_back(l);
        }
        if (type == kDocCustomerReturn)
          desc = rnd_.Pick(std::vector<std::string>{"Повернення: неналежна якість",
                                                    "Возврат по чеку", "Повернення товару"});
        break;
      case kDocMoneyIn:
      case kDocMoneyOut:
        cash = rnd_.Chance(0.1) ? entity.bonusAccount
                                : (rnd_.Chance(0.55) ? entity.cashAccount : entity.bankAccount);
        if (type == kDocMoneyOut && partner == 0) {
          itemCost = ctx_.itemCosts[rnd_.Below(ctx_.itemCosts.size())];
          desc = "Оплата витрат";
        } else {
          desc = type == kDocMoneyIn ? "Оплата від покупця" : "Оплата постачальнику";
        }
        break;
      case kDocCustomerOrder:
        table = store == kCafeStore ? ctx_.tables[rnd_.Below(ctx_.tables.size())] : 0;
        transact = id;  // an order is its own transaction
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = (store == kCafeStore && !ctx_.dishes.empty())
                                  ? ctx_.goods[ctx_.dishes[rnd_.Below(ctx_.dishes.size())]]
                                  : AnyGood();
          Line l = MakeLine(g, Quantity(g, 1.0), g.priceOut, i + 1);
          l.typeInDoc = static_cast<int>(rnd_.Below(2));  // kitchen status: new or cooking
          lines.push_back(l);
        }
        break;
      case kDocSupplierOrder:
      case kDocInvoice:
      case kDocRevaluation:
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = StockGood();
          lines.push_back(MakeLine(g, Quantity(g, 5.0),
                                   type == kDocRevaluation ? g.priceOut : g.priceIn, i + 1));
        }
        desc = type == kDocRevaluation ? "Переоцінка товарів"
                                       : (type == kDocInvoice ? "Рахунок на оплату" : "");
        break;
      case kDocStoreMove:
        do {
          store2 = ctx_.stores[rnd_.Below(ctx_.stores.size())];
        } while (store2 == store && ctx_.stores.size() > 1);
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = StockGood();
          lines.push_back(MakeLine(g, Quantity(g, 4.0), g.priceIn, i + 1));
        }
        if (rnd_.Chance(0.2)) {
          // The receiving store was changed after the document was written.
          const std::int64_t old = ctx_.stores[rnd_.Below(ctx_.stores.size())];
          moves_.Add({I(id), I(old), I(store2), Value::DateTime(date + 0.01), I(user)});
        }
        break;
      case kDocWriteOff:
      case kDocTakeOnStock:
      case kDocSupplierReturn:
        if (type == kDocWriteOff && rnd_.Chance(0.3))
          itemCost = ctx_.itemCosts[rnd_.Below(ctx_.itemCosts.size())];
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = StockGood();
          lines.push_back(MakeLine(g, Quantity(g, 1.5), g.priceIn, i + 1));
        }
        desc = type == kDocWriteOff ? "Списання: закінчився термін придатності"
                                    : (type == kDocTakeOnStock ? "Оприбуткування надлишків" : "");
        break;
      case kDocProduction:
        tagInt = rnd_.Chance(0.3) ? kProduceByItem : 0;
        for (int p = 1; p <= count; ++p) {
          const DemoGood& product = ctx_.dishes.empty()
                                        ? StockGood()
                                        : ctx_.goods[ctx_.dishes[rnd_.Below(ctx_.dishes.size())]];
          const double made = static_cast<double>(rnd_.Range(5, 30));
          Line productLine = MakeLine(product, made, product.priceIn, p);
          productLine.typeInDoc = 1;
          double cost = 0.0;
          const auto parts = rnd_.Range(2, 5);
          std::vector<Line> parts_;
          for (std::int64_t k = 0; k < parts; ++k) {
            const DemoGood& g =
                ctx_.ingredients.empty()
                    ? StockGood()
                    : ctx_.goods[ctx_.ingredients[rnd_.Below(ctx_.ingredients.size())]];
            Line l = MakeLine(g, Round3(made * rnd_.Real(0.02, 0.3)), g.priceIn, p);
            l.typeInDoc = 2;
            l.parentGood = product.id;
            cost += l.sum;
            parts_.push_back(l);
          }
          productLine.sum = Round2(cost);
          lines.push_back(productLine);
          lines.insert(lines.end(), parts_.begin(), parts_.end());
        }
        desc = "Виробництво страв кухні";
        break;
      case kDocInventory:
        for (int i = 0; i < count; ++i) {
          const DemoGood& g = StockGood();
          const double counted =
              g.weighed ? Round3(rnd_.Real(0.0, 40.0)) : static_cast<double>(rnd_.Range(0, 50));
          Line l = MakeLine(g, counted, g.priceIn, i + 1);
          const double roll = rnd_.Unit();
          if (roll < 0.15) {
            l.discount = static_cast<double>(rnd_.Range(1, 5));  // surplus
          } else if (roll < 0.3) {
            l.discount = -static_cast<double>(rnd_.Range(1, 5));  // shortage
          }
          lines.push_back(l);
        }
        desc = "Інвентаризація на " + std::to_string(1 + (id % 28)) + " число";
        break;
      default:
        break;
    }

    double docSum = 0.0;
    for (const Line& l : lines) {
      if (l.typeInDoc != 2) docSum += l.sum;
    }
    if (type == kDocMoneyIn || type == kDocMoneyOut) docSum = Round2(rnd_.Real(200.0, 25000.0));
    if (type == kDocInventory || type == kDocProduction) docSum = 0.0;
    docSum = Round2(docSum);

    const bool fiscal = (type == kDocSale || type == kDocCustomerReturn) && rnd_.Chance(0.4);
    const double syncRoll = rnd_.Unit();
    const auto [g1, g2] = ctx_.NewGuid();
    std::vector<Value> header{
        I(id),
        I(++numbers_[type]),
        Value::DateTime(date),
        Value::DateTime(date + 3.0 / 86400.0),
        I(entity.id),
        I(partner),
        I(store),
        I(store2),
        I(contract),
        I(user),
        I(user),
        desc.empty() ? NullText() : S(desc),
        I(type),
        R(docSum),
        I(currency),
        R(rate),
        I(cash),
        I(itemCost),
        type == kDocReceipt || type == kDocSupplierReturn
            ? S("РН-" + std::to_string(rnd_.Range(1000, 99999)))
            : NullText(),
        type == kDocReceipt || type == kDocSupplierReturn ? Value::DateTime(std::floor(date) - 1.0)
                                                          : NullDate(),
        I(transact),
        S("."),
        I(kStateNotPosted),  // written but not posted; the registers start empty
        fiscal ? S("40001" + std::to_string(10000 + salePoint)) : NullText(),
        I(tagInt),
        I(0),
        I(0),
        I(type == kDocSale || type == kDocCustomerReturn ||
                  (type == kDocReceipt && rnd_.Chance(0.6))
              ? 1
              : 0),
        I(table),
        rnd_.Chance(0.05) ? I(static_cast<std::int64_t>(rnd_.Below(0x1000000)))
                          : Value::Null(ValueType::kInt64),
        I(fiscal ? CompactDate(date + 5.0 / 86400.0) : 0),
        fiscal ? S(std::to_string(100000 + id)) : NullText(),
        fiscal ? Value::DateTime(date + 5.0 / 86400.0) : NullDate(),
        I(rnd_.Chance(0.05) ? 2001 : 0),
        I(rnd_.Chance(0.05) ? ctx_.peerBases[0] : 0),
        I(salePoint),
        I(id),
        syncRoll < 0.4 ? NullDate() : (syncRoll < 0.9 ? Value::DateTime(date + 0.5) : I(-1)),
        I(syncRoll >= 0.4 && syncRoll < 0.9 ? 1 : 0),
        I(g1),
        I(g2)};
    docs_.Add(std::move(header));

    for (const Line& l : lines) {
      lines_.Add({I(id), I(l.good), R(l.priceIn), R(l.priceOut), R(l.discount), I(1), I(0),
                  R(l.sum), R(l.qtty), R(l.vatSum), I(l.typeInDoc), I(l.parentGood), NullText(),
                  NullText(), I(l.posId), NullText()});
    }
    linesWritten_ += static_cast<std::int64_t>(lines.size());
  }

  DemoContext& ctx_;
  DemoRandom& rnd_;
  RowWriter docs_, lines_, moves_;
  std::vector<double> cumulative_;
  double totalWeight_ = 0.0;
  std::int64_t numbers_[16] = {};
  std::int64_t linesWritten_ = 0;
};

}  // namespace

std::int64_t GenerateDocuments(DemoContext& context, std::int64_t docsCount) {
  if (docsCount <= 0 || context.goods.empty()) return 0;
  return DocumentGenerator(context).Run(docsCount);
}

}  // namespace tir::demo
