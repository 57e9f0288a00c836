// Catalogs of the sample base: group trees and rows of every catalog table.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "db/date_time.h"
#include "db/value.h"
#include "host/demo/demo_context.h"
#include "host/demo/demo_names.h"
#include "host/demo/demo_values.h"
#include "host/demo/group_tree_writer.h"
#include "host/demo/row_writer.h"
#include "settings/tir_codes.h"

namespace tir::demo {
namespace {

using tir::db::Value;
using tir::db::ValueType;

constexpr double kNoGuidShare = 0.04;
constexpr int kPriceKinds = 5;
constexpr std::int64_t kAdminRightsMask = 2147483647;

std::string Digits(DemoRandom& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += static_cast<char>('0' + random.Below(10));
  return text;
}

std::string Padded(std::int64_t value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
  return buffer;
}

// EAN-13 with its check digit from the first twelve digits.
std::string Ean13(const std::string& twelve) {
  int sum = 0;
  for (std::size_t i = 0; i < 12; ++i) sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
  return twelve + static_cast<char>('0' + (10 - sum % 10) % 10);
}

// Helpers that draw several numbers draw them in statement order, so that a seed gives the same
// text whatever order a compiler evaluates operands in.
std::string Phone(DemoRandom& random) {
  static const char* const kOperators[] = {"67", "50", "63", "66", "73", "93", "97", "44"};
  std::string text = "+380 (" + std::string(kOperators[random.Below(8)]) + ") ";
  text += Digits(random, 3);
  text += "-" + Digits(random, 2);
  text += "-" + Digits(random, 2);
  return text;
}

std::string Address(DemoRandom& random) {
  std::string text = "м. " + random.Pick(Cities());
  text += ", " + random.Pick(Streets());
  text += ", " + std::to_string(random.Range(1, 180));
  return text;
}

std::string PersonName(DemoRandom& random) {
  const bool female = random.Chance(0.5);
  std::string text = random.Pick(Surnames());
  // Russian surnames take the feminine ending; the Ukrainian ones here serve both.
  const auto ends = [&text](const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (female && (ends("ов") || ends("ев") || ends("ін"))) text += "а";
  text += " " + random.Pick(FirstNames(female));
  text += " " + random.Pick(Patronymics(female));
  return text;
}

std::string CompanyName(DemoRandom& random) {
  std::string text = random.Pick(CompanySuffixes());
  // "АгроСвіт": the second root keeps its capital letter, as such names are written.
  text += " \"" + random.Pick(CompanyRoots());
  text += random.Pick(CompanyRoots()) + "\"";
  return text;
}

std::string Iban(DemoRandom& random) {
  std::string text = "UA" + Digits(random, 2);
  text += "3052990000026" + Digits(random, 14);
  return text;
}

std::string RetailBarcode(DemoRandom& random, const char* prefix) {
  return Ean13(prefix + Digits(random, 9));
}

class CatalogGenerator {
 public:
  explicit CatalogGenerator(DemoContext& context)
      : ctx_(context), conn_(context.connection), rnd_(context.random) {}

  void Run(std::int64_t goodsCount) {
    Currencies();
    TaxRatesTable();
    Entities();
    Stores();
    CashAccounts();
    ItemCosts();
    Tables();
    Modifiers();
    SalePoints();
    Discounts();
    PriceNames();
    Uktzed();
    Users();
    Partners(std::clamp<std::int64_t>(goodsCount / 20, 20, 20000));
    Goods(goodsCount);
    Settings();
    PeerBases();
    CashRegisterGroups();
  }

 private:
  void AddGuid(std::vector<Value>& row) {
    const auto [g1, g2] = ctx_.NewGuid();
    row.push_back(I(g1));
    row.push_back(I(g2));
  }

  std::vector<std::int64_t> Tree(const std::string& table, const std::vector<GroupNode>& nodes) {
    return WriteGroupTree(conn_, table, nodes, rnd_, kNoGuidShare);
  }

  void Currencies() {
    const auto groups =
        Tree("tirCurrenciesGroups", {{"Основні валюти", -1}, {"Іноземні валюти", -1}});
    struct Row {
      const char *code, *name, *full;
      double rate;
      int group, img;
    };
    const Row rows[] = {{"UAH", "Гривня", "Українська гривня", 1.0, 0, 980},
                        {"USD", "Долар США", "Доллар США", 41.25, 1, 840},
                        {"EUR", "Євро", "Євро (ЄС)", 44.9, 1, 978},
                        {"PLN", "Злотий", "Польський злотий", 10.35, 1, 985}};
    RowWriter w(conn_, "tirCurrencies",
                {"fId", "fCode", "fName", "fNamePrint", "fState", "fImg", "fCurr", "fGroupID",
                 "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const Row& r : rows) {
      std::vector<Value> row{I(++id), S(r.code), S(r.name), S(r.full),
                             I(1),    I(r.img),  R(r.rate), I(groups[r.group])};
      AddGuid(row);
      w.Add(std::move(row));
      ctx_.currencies.push_back({id, r.rate});
    }
    w.Flush();
  }

  void TaxRatesTable() {
    const auto groups = Tree("tirVATsGroups", {{"Ставки ПДВ", -1}, {"Підакцизні товари", -1}});
    RowWriter w(conn_, "tirVAT",
                {"fId", "fCode", "fName", "fVAT", "fVATA", "fGroupID", "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const TaxRate& t : TaxRates()) {
      std::vector<Value> row{I(++id),  S(t.code), S(t.name),
                             R(t.vat), R(t.vatA), I(groups[t.vatA > 0 ? 1 : 0])};
      AddGuid(row);
      w.Add(std::move(row));
    }
    w.Flush();
  }

  void Entities() {
    const auto groups =
        Tree("tirEntitiesGroups",
             {{"Власні підприємства", -1}, {"Юридичні особи", 0}, {"Фізичні особи-підприємці", 0}});
    RowWriter w(
        conn_, "tirEntities",
        {"fId", "fCode", "fName", "fNamePrint", "fEDRPOU", "fINN", "fNDSN", "fTel", "fTel1",
         "fTel2", "fAdress", "fAdress1", "fAdress2", "fState", "fGroupID", "fGUID1", "fGUID2"});
    const std::string names[][2] = {
        {"ТОВ \"Смачна Крамниця\"", "Товариство з обмеженою відповідальністю \"Смачна Крамниця\""},
        {"ФОП Коваленко І.П.", "Фізична особа-підприємець Коваленко Ірина Петрівна"}};
    for (std::int64_t i = 0; i < 2; ++i) {
      std::vector<Value> row{I(i + 1),
                             S(Padded(i + 1, 3)),
                             S(names[i][0]),
                             S(names[i][1]),
                             i == 0 ? S(Digits(rnd_, 8)) : NullText(),
                             S(Digits(rnd_, i == 0 ? 12 : 10)),
                             S(i == 0 ? Digits(rnd_, 9) : ""),
                             S(Phone(rnd_)),
                             S(Phone(rnd_)),
                             NullText(),
                             S(Address(rnd_)),
                             S(Address(rnd_)),
                             NullText(),
                             I(1),
                             I(groups[i == 0 ? 1 : 2])};
      AddGuid(row);
      w.Add(std::move(row));
    }
    w.Flush();
    ctx_.entities = {{1, 0, 0, 0}, {2, 0, 0, 0}};
  }

  void Stores() {
    const auto groups = Tree(
        "tirStoresGroups",
        {{"Склади", -1}, {"Магазини", -1}, {"Заклади харчування", -1}, {"Київ", 1}, {"Львів", 1}});
    struct Row {
      const char* name;
      int group, price, price2;
    };
    const Row rows[] = {{"Склад центральний", 0, 2, 3},   {"Магазин на Подолі", 3, 1, 4},
                        {"Магазин \"Оболонь\"", 3, 1, 4}, {"Магазин у Львові, пл. Ринок", 4, 1, 4},
                        {"Кафе \"Варенична\"", 2, 1, 5},  {"Склад браку", 0, 2, 0}};
    RowWriter w(conn_, "tirStores",
                {"fId", "fCode", "fName", "fNamePrint", "fAdress", "fState", "fPriceId",
                 "fPriceId2", "fGroupID", "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const Row& r : rows) {
      ++id;
      std::vector<Value> row{I(id),      S(Padded(id, 2)), S(r.name),
                             S(r.name),  S(Address(rnd_)), I(id == 6 ? 0 : 1),
                             I(r.price), I(r.price2),      I(groups[r.group])};
      AddGuid(row);
      w.Add(std::move(row));
      if (id != 6) ctx_.stores.push_back(id);
    }
    w.Flush();
  }

  void CashAccounts() {
    RowWriter w(conn_, "tirCashAccounts",
                {"fId", "fName", "fDesc", "fAccInfo", "fType", "fDefault", "fEntitiId", "fCurrId",
                 "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (DemoEntity& e : ctx_.entities) {
      struct Row {
        const char *name, *desc;
        int type, def;
        std::int64_t curr;
      };
      const Row rows[] = {{"Основна каса", "Готівка магазинів і кафе", 0, 1, 1},
                          {"Поточний рахунок ПриватБанк", "Безготівкові розрахунки", 2, 0, 1},
                          {"Валютний рахунок USD", "Розрахунки з імпортерами", 2, 0, 2},
                          {"Бонусний рахунок", "Бонуси програми лояльності", 1, 0, 1}};
      for (const Row& r : rows) {
        ++id;
        std::vector<Value> row{
            I(id),     S(r.name), S(r.desc), r.type == 2 ? S(Iban(rnd_)) : NullText(),
            I(r.type), I(r.def),  I(e.id),   I(r.curr)};
        AddGuid(row);
        w.Add(std::move(row));
        if (r.type == 0) e.cashAccount = id;
        if (r.type == 2 && r.curr == 1) e.bankAccount = id;
        if (r.type == 1) e.bonusAccount = id;
      }
    }
    w.Flush();
  }

  // A catalog of the common shape (code, name, print name, state, group) under a two-level tree.
  void SimpleCatalog(const std::string& groupTable, const std::string& table,
                     const std::vector<std::pair<std::string, std::vector<std::string>>>& content,
                     std::vector<std::int64_t>* ids, bool withPrintName = true) {
    std::vector<GroupNode> nodes;
    nodes.reserve(content.size());
    for (const auto& [group, rows] : content) nodes.push_back({group, -1});
    const auto groups = Tree(groupTable, nodes);
    std::vector<std::string> columns{"fId", "fCode", "fName"};
    if (withPrintName) columns.push_back("fNamePrint");
    for (const char* c : {"fState", "fGroupID", "fGUID1", "fGUID2"}) columns.push_back(c);
    RowWriter w(conn_, table, columns);
    std::int64_t id = 0;
    for (std::size_t g = 0; g < content.size(); ++g) {
      for (const std::string& name : content[g].second) {
        ++id;
        std::vector<Value> row{I(id), S(Padded(id, 3)), S(name)};
        if (withPrintName) row.push_back(S(name));
        row.push_back(I(1));
        row.push_back(I(groups[g]));
        AddGuid(row);
        w.Add(std::move(row));
        if (ids) ids->push_back(id);
      }
    }
    w.Flush();
  }

  void ItemCosts() {
    SimpleCatalog(
        "tirItemCostGroups", "tirItemCost",
        {{"Операційні витрати", {"Оренда приміщення", "Комунальні послуги", "Заробітна плата"}},
         {"Адміністративні витрати", {"Банківські послуги", "Канцтовари", "Зв'язок та інтернет"}},
         {"Інші витрати", {"Ремонт обладнання", "Реклама", "Податки та збори", "Прочие расходы"}}},
        &ctx_.itemCosts);
  }

  void Tables() {
    std::vector<std::pair<std::string, std::vector<std::string>>> halls{
        {"Зал 1", {}}, {"Тераса", {}}, {"VIP-зал", {}}};
    const int counts[] = {12, 8, 4};
    int number = 0;
    for (int h = 0; h < 3; ++h) {
      for (int i = 0; i < counts[h]; ++i)
        halls[h].second.push_back("Стіл " + std::to_string(++number));
    }
    SimpleCatalog("tirTablesGroups", "tirTables", halls, &ctx_.tables);
  }

  void Modifiers() {
    SimpleCatalog(
        "tirModsGroups", "tirMods",
        {{"Додатки до страв", {"Подвійний сир", "Бекон", "Без цибулі", "Соус часниковий"}},
         {"Напої", {"Без цукру", "З молоком", "Лід", "Лимон", "Сироп карамельный"}},
         {"Ступінь просмаження", {"Слабка", "Середня", "Повна"}}},
        nullptr);
  }

  void SalePoints() {
    const auto groups = Tree("tirSalePGroups", {{"Магазини", -1}, {"Кафе", -1}, {"Онлайн", -1}});
    struct Row {
      const char* name;
      int group, bits, price, price2;
    };
    const Row rows[] = {{"Каса 1 (Поділ)", 0, 1, 1, 2}, {"Каса 2 (Поділ)", 0, 1, 1, 2},
                        {"Каса Оболонь", 0, 0, 1, 3},   {"Бар", 1, 3, 1, 5},
                        {"Кухня", 1, 2, 1, 0},          {"Інтернет-магазин", 2, 1, 4, 4}};
    RowWriter w(conn_, "tirSalePoints",
                {"fId", "fCode", "fName", "fNamePrint", "fState", "fBitParams", "fPriceId",
                 "fPriceId2", "fGroupID", "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const Row& r : rows) {
      ++id;
      std::vector<Value> row{I(id),     S(Padded(id, 2)), S(r.name),   S(r.name),         I(1),
                             I(r.bits), I(r.price),       I(r.price2), I(groups[r.group])};
      AddGuid(row);
      w.Add(std::move(row));
      ctx_.salePoints.push_back(id);
    }
    w.Flush();
  }

  void Discounts() {
    struct Row {
      const char *name, *full, *rule, *points;
      int active, version;
    };
    const Row rows[] = {{"Знижка 5% за карткою", "Знижка 5% власникам картки лояльності",
                         "type=percent;value=5;card=required", "1,2,3", 1, 3},
                        {"Щасливі години", "Знижка 15% з 15:00 до 17:00 на напої бару",
                         "type=percent;value=15;time=15:00-17:00;groups=bar", "4", 1, 3},
                        {"2+1 на напої", "Третій напій у чеку безкоштовно",
                         "type=gift;buy=2;free=1;groups=drinks", "1,2,3,6", 1, 3},
                        {"Знижка іменинникам", "10% у день народження",
                         "type=percent;value=10;birthday=1", "", 1, 3},
                        {"Скидка пенсионерам", "Скидка 7% по пенсионному удостоверению",
                         "type=percent;value=7", "1,2", 0, 3},
                        {"Старе правило (архів)", "Знижка 3% на все", "percent=3", "", 0, 2}};
    RowWriter w(conn_, "tirDiscount",
                {"fId", "fName", "fNameF", "fPos", "fActiv", "fPStr", "fVer", "fSalesPList",
                 "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const Row& r : rows) {
      ++id;
      std::vector<Value> row{I(id),       S(r.name), S(r.full),    I(id * 10),
                             I(r.active), S(r.rule), I(r.version), S(r.points)};
      AddGuid(row);
      w.Add(std::move(row));
    }
    w.Flush();
  }

  void PriceNames() {
    const auto groups = Tree("tirPricesGroups", {{"Основні ціни", -1}, {"Спеціальні ціни", -1}});
    const char* const names[kPriceKinds] = {"Роздрібна", "Оптова", "Дрібнооптова",
                                            "Інтернет-магазин", "VIP"};
    RowWriter w(conn_, "tirPricesNames",
                {"fId", "fCode", "fName", "fNamePrint", "fCurrId", "fState", "fGroupID", "fGUID1",
                 "fGUID2"});
    for (std::int64_t id = 1; id <= kPriceKinds; ++id) {
      std::vector<Value> row{I(id),
                             S(std::to_string(id)),
                             S(names[id - 1]),
                             S(std::string("Ціна ") + names[id - 1]),
                             I(1),
                             I(1),
                             I(groups[id <= 3 ? 0 : 1])};
      AddGuid(row);
      w.Add(std::move(row));
    }
    w.Flush();
  }

  void Uktzed() {
    std::vector<GroupNode> nodes;
    for (const auto& chapter : UktzedChapters()) nodes.push_back({chapter.name, -1});
    const auto groups = Tree("tirUktzedGroups", nodes);
    RowWriter w(conn_, "tirUktzed",
                {"fId", "fZEDCode", "fZEDName", "fZEDGroupID", "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (std::size_t g = 0; g < UktzedChapters().size(); ++g) {
      for (const auto& [code, name] : UktzedChapters()[g].codes) {
        std::vector<Value> row{I(++id), S(code), S(name), I(groups[g])};
        AddGuid(row);
        w.Add(std::move(row));
        uktzedIds_.emplace_back(code, id);
      }
    }
    w.Flush();
  }

  void Users() {
    const auto groups = Tree("tirUsersGroups", {{"Адміністрація", -1},
                                                {"Каса", -1},
                                                {"Денна зміна", 1},
                                                {"Нічна зміна", 1},
                                                {"Зал", -1},
                                                {"Склад", -1}});
    // Rights groups: administrators, accounting, cashiers, waiters, and a blocked group (fBase 0).
    RowWriter rg(conn_, "tirUsersRG", {"fId", "fName", "fState", "fBase"});
    const char* const rightsGroups[] = {"Адміністратори", "Бухгалтерія", "Касири", "Офіціанти",
                                        "Заблоковані"};
    for (std::int64_t id = 1; id <= 5; ++id)
      rg.Add({I(id), S(rightsGroups[id - 1]), I(1), I(id == 5 ? 0 : 1)});
    rg.Flush();

    struct Row {
      const char *code, *name, *full;
      int rightsGroup, type, group;
      bool cashier;
    };
    const Row rows[] = {{"admin", "Адміністратор", "Адміністратор системи", 1, 1, 0, false},
                        {"buh", "Коваленко Ірина", "Коваленко Ірина Петрівна", 2, 2, 0, false},
                        {"kasa1", "Касир 1", "Шевчук Оксана Іванівна", 3, 2, 2, true},
                        {"kasa2", "Касир 2", "Мельник Андрій Сергійович", 3, 2, 3, true},
                        {"kassa3", "Кассир Петрова", "Петрова Елена Андреевна", 3, 2, 2, true},
                        {"waiter1", "Офіціант Андрій", "Бойко Андрій Васильович", 4, 3, 4, true},
                        {"waiter2", "Официант Марина", "Соколова Марина Игоревна", 4, 3, 4, true},
                        {"store", "Комірник Сергій", "Лисенко Сергій Миколайович", 2, 2, 5, false},
                        {"manager", "Менеджер Олена", "Руденко Олена Богданівна", 2, 2, 0, false},
                        {"guest", "Гість", "Тимчасовий користувач", 5, 3, 1, false}};
    RowWriter w(conn_, "tirUsers",
                {"fId", "fCode", "fName", "fNamePrint", "fState", "fType", "fPassword",
                 "fPassword2", "fCardNumber", "fGroupID", "fGUID1", "fGUID2"});
    std::int64_t id = 0;
    for (const Row& r : rows) {
      ++id;
      std::vector<Value> row{I(id),
                             S(r.code),
                             S(r.name),
                             S(r.full),
                             I(r.rightsGroup),
                             I(r.type),
                             S(Digits(rnd_, 6)),
                             NullText(),
                             S("7700" + Digits(rnd_, 9)),
                             I(groups[r.group])};
      AddGuid(row);
      w.Add(std::move(row));
      ctx_.users.push_back(id);
      if (r.cashier) ctx_.cashiers.push_back(id);
    }
    w.Flush();
  }

  void Partners(std::int64_t count) {
    const auto groups = Tree("tirPartnersGroups", {{"Постачальники", -1},        // 0
                                                   {"Молочна продукція", 0},     // 1
                                                   {"Бакалія та напої", 0},      // 2
                                                   {"Алкоголь", 0},              // 3
                                                   {"Непродовольчі товари", 0},  // 4
                                                   {"Покупці", -1},              // 5
                                                   {"Оптові покупці", 5},        // 6
                                                   {"Роздрібні покупці", 5},     // 7
                                                   {"Постійні клієнти", 7},      // 8
                                                   {"VIP-клієнти", 8},           // 9
                                                   {"Інші контрагенти", -1},     // 10
                                                   {"Банки", 10},                // 11
                                                   {"Комунальні служби", 10}});  // 12
    RowWriter w(conn_, "tirPartners",
                {"fId", "fCode", "fName", "fNamePrint", "fState", "fGroupID", "fCardNumber", "fTel",
                 "fTel1", "fTel2", "fAdress", "fAdress1", "fDate", "fDesc", "fEDRPOU", "fINN",
                 "fGUID1", "fGUID2"});
    RowWriter contracts(
        conn_, "tirContracts",
        {"fId", "fName", "fPartnerId", "fEntitiId", "fAccountType", "fDiscount", "fCurrId",
         "fPriceId", "fPriceId2", "fDefault", "fType", "fGUID1", "fGUID2"});
    const double base = tir::db::EncodeDateTime({2020, 1, 1});
    std::int64_t contractId = 0;
    for (std::int64_t id = 1; id <= count; ++id) {
      const double kind = rnd_.Unit();
      const bool supplier = kind < 0.3;
      const bool person = !supplier && kind < 0.85;  // retail customers are people
      std::int64_t group;
      if (supplier) {
        group = groups[1 + rnd_.Below(4)];
      } else if (person) {
        group = groups[7 + rnd_.Below(3)];
      } else {
        group = groups[rnd_.Chance(0.8) ? 6 : 11 + rnd_.Below(2)];
      }
      const std::string name = person ? PersonName(rnd_) : CompanyName(rnd_);
      const std::string print =
          rnd_.Chance(0.6) ? name : (person ? "Клієнт " + name : name + ", " + rnd_.Pick(Cities()));
      std::vector<Value> row{
          I(id),
          S("П-" + Padded(id, 6)),
          S(name),
          S(print),
          I(supplier ? 1 : 2),
          I(group),
          person && rnd_.Chance(0.7) ? S("2900" + Digits(rnd_, 9)) : NullText(),
          rnd_.Chance(0.9) ? S(Phone(rnd_)) : NullText(),
          rnd_.Chance(0.3) ? S(Phone(rnd_)) : NullText(),
          NullText(),
          S(Address(rnd_)),
          rnd_.Chance(0.2) ? S(Address(rnd_)) : NullText(),
          person && rnd_.Chance(0.6)
              ? Value::DateTime(base - static_cast<double>(rnd_.Range(6570, 25000)))
              : Value::Null(ValueType::kDateTime),
          rnd_.Chance(0.1) ? S("Працює з 2019 року") : NullText(),
          person ? NullText() : S(Digits(rnd_, 8)),
          S(Digits(rnd_, person ? 10 : 12))};
      AddGuid(row);
      w.Add(std::move(row));

      DemoPartner partner{id, supplier, std::vector<std::int64_t>(ctx_.entities.size(), 0)};
      for (std::size_t e = 0; e < ctx_.entities.size(); ++e) {
        if (e > 0 && !rnd_.Chance(0.5)) continue;
        const int extra = rnd_.Chance(0.1) ? 2 : 1;
        for (int k = 0; k < extra; ++k) {
          ++contractId;
          if (k == 0) partner.contractByEntity[e] = contractId;
          const double year = 2019 + static_cast<double>(rnd_.Below(6));
          std::vector<Value> c{
              I(contractId),
              S("Договір №" + std::to_string(contractId) + "/" +
                std::to_string(static_cast<int>(year)) + (k ? " (додатковий)" : "")),
              I(id),
              I(ctx_.entities[e].id),
              I(supplier ? 1 : 2),
              R(supplier ? 0.0 : static_cast<double>(rnd_.Pick(std::vector<int>{0, 0, 3, 5, 10}))),
              I(supplier && rnd_.Chance(0.1) ? 2 : 1),
              I(supplier ? 2 : 1 + static_cast<int>(rnd_.Below(3))),
              I(rnd_.Chance(0.3) ? 4 : 0),
              I(k == 0 ? 1 : 0),
              I(supplier ? 1 : 2)};
          AddGuid(c);
          contracts.Add(std::move(c));
        }
      }
      (supplier ? ctx_.suppliers : ctx_.customers).push_back(ctx_.partners.size());
      ctx_.partners.push_back(std::move(partner));
    }
    w.Flush();
    contracts.Flush();
    if (ctx_.suppliers.empty()) ctx_.suppliers.push_back(0);
    if (ctx_.customers.empty()) ctx_.customers.push_back(0);
  }

  // Goods groups: departments, kinds, brand groups and, under some brands, packing subgroups.
  struct Leaf {
    std::size_t department, kind;
    std::int64_t groupId;
    std::string brand;  // empty: a brand is chosen per good
  };

  std::vector<Leaf> GoodsGroups(std::int64_t goodsCount) {
    const auto& departments = Departments();
    std::vector<GroupNode> nodes;
    struct KindRef {
      std::size_t department, kind;
      int node;
    };
    std::vector<KindRef> kinds;
    for (std::size_t d = 0; d < departments.size(); ++d) {
      const int depNode = static_cast<int>(nodes.size());
      nodes.push_back({departments[d].name, -1});
      for (std::size_t k = 0; k < departments[d].kinds.size(); ++k) {
        kinds.push_back({d, k, static_cast<int>(nodes.size())});
        nodes.push_back({departments[d].kinds[k].name, depNode});
      }
    }
    const std::int64_t target = std::clamp<std::int64_t>(goodsCount / 25, 30, 3000);
    // Even a small base gets brand groups (and some packing subgroups under them): four levels.
    const std::int64_t brandGroups =
        std::max<std::int64_t>(20, target - static_cast<std::int64_t>(nodes.size()));
    struct Pending {
      std::size_t kindRef;
      int node;
      std::string brand;
    };
    std::vector<Pending> leaves;
    std::vector<std::int64_t> perKind(kinds.size(), 0);
    for (std::int64_t b = 0; b < brandGroups; ++b) {
      const std::size_t k = static_cast<std::size_t>(b) % kinds.size();
      const auto& pool = departments[kinds[k].department].food ? FoodBrands() : HouseholdBrands();
      const std::int64_t j = perKind[k]++;
      std::string brand =
          pool[static_cast<std::size_t>(j + static_cast<std::int64_t>(k) * 7) % pool.size()];
      if (j >= static_cast<std::int64_t>(pool.size())) {
        brand += " (" +
                 Cities()[static_cast<std::size_t>(j / static_cast<std::int64_t>(pool.size()) - 1) %
                          Cities().size()] +
                 ")";
      }
      const int brandNode = static_cast<int>(nodes.size());
      nodes.push_back({brand, kinds[k].node});
      if (rnd_.Chance(0.15)) {
        nodes.push_back({"Фасовані", brandNode});
        leaves.push_back({k, static_cast<int>(nodes.size()) - 1, brand});
        nodes.push_back({rnd_.Chance(0.5) ? "Вагові" : "Акційні пропозиції", brandNode});
        leaves.push_back({k, static_cast<int>(nodes.size()) - 1, brand});
      } else {
        leaves.push_back({k, brandNode, brand});
      }
    }
    // Kinds without brand groups hold their goods directly.
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      if (perKind[k] == 0) leaves.push_back({k, kinds[k].node, ""});
    }
    const auto ids = Tree("tirGoodsGroups", nodes);
    std::vector<Leaf> result;
    result.reserve(leaves.size());
    for (const Pending& p : leaves) {
      result.push_back({kinds[p.kindRef].department, kinds[p.kindRef].kind,
                        ids[static_cast<std::size_t>(p.node)], p.brand});
    }
    return result;
  }

  void Goods(std::int64_t count) {
    const auto leaves = GoodsGroups(count);
    const auto& departments = Departments();
    // Kitchen and services are a small part of the assortment.
    std::vector<double> weights;
    double total = 0;
    for (const Leaf& leaf : leaves) {
      const int type = departments[leaf.department].kinds[leaf.kind].goodsType;
      total += type == 0 ? 1.0 : (type == 2 ? 0.35 : 0.05);
      weights.push_back(total);
    }
    std::vector<std::string> columns{
        "fId",          "fCode",     "fName",     "fNameFull",  "fDesc",   "fBarCode",
        "fBarCodeList", "fBarCode2", "fUnitType", "fUnitType2", "fCoeff2", "fType",
        "fVATGroup",    "fColor",    "fVisible",  "fGroupID",   "fPriceIn"};
    for (int p = 1; p <= 10; ++p) columns.push_back("fPriceOut" + std::to_string(p));
    for (const char* c :
         {"fDeleted", "fMinCount", "fNomCount",  "fMainPartner", "fSCPLU", "fSCSrokG",
          "fSCPiece", "fHavePh",   "fWeightOut", "fProcLost",    "fpdop1", "fpdop2",
          "fUKTZED",  "fRcCountD", "fAvtoProd",  "fExStamp",     "fOShop", "fImport",
          "fMarkUp",  "fRV",       "fGUID1",     "fGUID2"}) {
      columns.push_back(c);
    }
    RowWriter w(conn_, "tirGoods", columns, 2048);
    RowWriter prices(conn_, "tirPrices", {"fPriceId", "fGoodId", "fPrice"});
    RowWriter photos(conn_, "tirGPhotoes",
                     {"fGoodId", "fOrder", "fPhoto", "fDesc", "fGUID1", "fGUID2"});
    const double priceShare[kPriceKinds] = {1.0, 0.6, 0.3, 0.4, 0.15};
    std::int64_t nextPlu = 1;
    std::int64_t reported = 0;

    for (std::int64_t id = 1; id <= count; ++id) {
      const double pick = rnd_.Unit() * total;
      const std::size_t li = static_cast<std::size_t>(
          std::upper_bound(weights.begin(), weights.end(), pick) - weights.begin());
      const Leaf& leaf = leaves[std::min(li, leaves.size() - 1)];
      const Department& dep = departments[leaf.department];
      const ProductKind& kind = dep.kinds[leaf.kind];
      const bool weighed = kind.sizes.empty() && kind.unit == "кг";
      const std::string brand =
          !leaf.brand.empty() ? leaf.brand : rnd_.Pick(dep.food ? FoodBrands() : HouseholdBrands());
      std::string name = rnd_.Pick(kind.nouns);
      if (kind.goodsType == 0) name += " " + brand;
      const std::string& variant = rnd_.Pick(kind.variants);
      if (!variant.empty()) name += " " + variant;
      if (!kind.sizes.empty()) name += " " + rnd_.Pick(kind.sizes);

      const double priceIn = Round2(rnd_.Real(kind.priceLow, kind.priceHigh));
      const double markup = kind.goodsType == 2 ? rnd_.Real(2.2, 3.5) : rnd_.Real(1.15, 1.45);
      const double p1 = Round2(priceIn * markup);
      const double pricesOut[kPriceKinds] = {p1, Round2(priceIn * 1.08), Round2(p1 * 0.97),
                                             Round2(p1 * 0.95), Round2(p1 * 0.9)};
      std::int64_t plu = 0;
      std::string barcode;
      if (weighed) {
        plu = nextPlu++;
        barcode = Ean13("22" + Padded(plu % 100000, 5) + "00000");
      } else if (kind.goodsType == 0) {
        barcode = RetailBarcode(rnd_, "482");
      }
      std::string barcodeList;
      if (!barcode.empty() && rnd_.Chance(0.1)) {
        barcodeList = ";" + RetailBarcode(rnd_, "482");
        barcodeList += ";" + RetailBarcode(rnd_, "590") + ";";
      }
      const bool pack = kind.goodsType == 0 && !weighed && rnd_.Chance(0.1);
      const bool dish = kind.goodsType == 2;
      const bool photo = rnd_.Chance(0.01);
      std::int64_t uktzed = 0;
      for (const auto& [code, uid] : uktzedIds_) {
        if (code == kind.uktzedCode) uktzed = uid;
      }
      const auto& supplier = ctx_.partners[ctx_.suppliers[rnd_.Below(ctx_.suppliers.size())]];
      const double vat = TaxRates()[static_cast<std::size_t>(kind.vatIndex)].vat;

      std::vector<Value> row{
          I(id),
          S(Padded(id, 6)),
          S(name),
          S(name + (dep.food ? ", " + std::string(rnd_.Chance(0.85) ? "Україна" : "Польща") : "")),
          rnd_.Chance(0.05) ? S("Зберігати при температурі від +2 до +6 °C") : NullText(),
          barcode.empty() ? NullText() : S(barcode),
          barcodeList.empty() ? NullText() : S(barcodeList),
          !barcode.empty() && rnd_.Chance(0.05) ? S(RetailBarcode(rnd_, "482")) : NullText(),
          S(kind.unit),
          pack ? S("уп") : NullText(),
          R(pack ? static_cast<double>(rnd_.Pick(std::vector<int>{6, 10, 12, 20})) : 1.0),
          I(kind.goodsType),
          I(kind.vatIndex + 1),
          rnd_.Chance(0.1) ? I(static_cast<std::int64_t>(rnd_.Below(0x1000000)))
                           : Value::Null(ValueType::kInt32),
          I(rnd_.Chance(0.97) ? 1 : 0),
          I(leaf.groupId),
          R(priceIn)};
      for (int p = 0; p < 10; ++p) row.push_back(R(p < kPriceKinds ? pricesOut[p] : 0.0));
      row.push_back(I(rnd_.Chance(0.01) ? 1 : 0));
      row.push_back(R(kind.goodsType == 0 && rnd_.Chance(0.3) ? 5.0 : 0.0));
      row.push_back(R(kind.goodsType == 0 && rnd_.Chance(0.3) ? 20.0 : 0.0));
      row.push_back(I(dep.food && kind.goodsType == 0 && rnd_.Chance(0.8) ? supplier.id : 0));
      row.push_back(I(plu));
      row.push_back(I(weighed ? rnd_.Range(3, 30) : 0));
      row.push_back(I(weighed ? 0 : 1));
      row.push_back(I(photo ? 1 : 0));
      row.push_back(R(dish ? Round2(rnd_.Real(0.2, 0.5)) : 0.0));
      row.push_back(R(weighed && leaf.department == 2 ? Round2(rnd_.Real(5, 15)) : 0.0));
      row.push_back(dep.food ? S("Країна: " + std::string(rnd_.Chance(0.85) ? "Україна" : "Польща"))
                             : NullText());
      row.push_back(kind.goodsType == 0 ? S("Виробник: " + brand) : NullText());
      row.push_back(I(uktzed));
      row.push_back(I(dish ? 1 : 0));
      row.push_back(I(dish ? 1 : 0));
      row.push_back(I(kind.vatIndex == 4 ? 1 : 0));
      row.push_back(I(rnd_.Chance(0.3) ? 1 : 0));
      row.push_back(I(rnd_.Chance(0.05) ? 1 : 0));
      row.push_back(R(Round2((markup - 1.0) * 100.0)));
      row.push_back(I(id));
      AddGuid(row);
      w.Add(std::move(row));

      for (int p = 0; p < kPriceKinds; ++p) {
        if (rnd_.Chance(priceShare[p])) prices.Add({I(p + 1), I(id), R(pricesOut[p])});
      }
      if (photo) {
        // A stored photo: an 8-byte header of the stored format, then the picture bytes.
        std::vector<std::uint8_t> blob{'T', 'I', 'R', 'P', 'H', 'O', 'T', '1'};
        const auto size = rnd_.Range(24, 96);
        for (std::int64_t b = 0; b < size; ++b)
          blob.push_back(static_cast<std::uint8_t>(rnd_.Below(256)));
        std::vector<Value> p{I(id), I(1), Value::Blob(std::move(blob)), S("Фото товару")};
        AddGuid(p);
        photos.Add(std::move(p));
      }

      const std::size_t index = ctx_.goods.size();
      ctx_.goods.push_back(
          {id, priceIn, p1, vat, weighed, kind.goodsType,
           dep.food && kind.goodsType == 0 && (leaf.department <= 5 || leaf.department == 9)});
      if (dish) ctx_.dishes.push_back(index);
      if (ctx_.goods.back().raw) ctx_.ingredients.push_back(index);
      if (id - reported >= 500) {
        ctx_.advance(id - reported);
        reported = id;
      }
    }
    w.Flush();
    prices.Flush();
    photos.Flush();
    Recipes();
    ctx_.advance(count - reported);
  }

  void Recipes() {
    if (ctx_.ingredients.empty()) return;
    RowWriter w(conn_, "tirRecipes",
                {"fGoodId", "fCompId", "fCount", "fCountOut", "fDesc", "fCHot", "fCCold"});
    for (std::size_t d : ctx_.dishes) {
      const auto parts = rnd_.Range(2, 6);
      for (std::int64_t k = 0; k < parts; ++k) {
        const DemoGood& component =
            ctx_.goods[ctx_.ingredients[rnd_.Below(ctx_.ingredients.size())]];
        const double gross = Round2(rnd_.Real(0.02, 0.4) * 1000.0) / 1000.0;
        const bool hot = rnd_.Chance(0.6);
        w.Add({I(ctx_.goods[d].id), I(component.id), R(gross),
               R(std::round(gross * rnd_.Real(0.75, 0.95) * 1000.0) / 1000.0),
               k == 0 ? S("Основний інгредієнт") : NullText(), I(hot ? 1 : 0), I(hot ? 0 : 1)});
      }
    }
    w.Flush();
  }

  void Settings() {
    RowWriter w(
        conn_, "tirSettings",
        {"fPValId", "fUserId", "fMId", "fPType", "fPB", "fPI", "fPStr50", "fPStr", "fPDate"});
    const Value now = Value::DateTime(tir::db::EncodeDateTime({2024, 12, 31, 18, 0, 0}));
    const auto [g1, g2] = rnd_.Guid();
    char guid[64];
    std::snprintf(guid, sizeof guid, "{%08llX-%04llX-%04llX-%04llX-%012llX}",
                  static_cast<unsigned long long>(g1 >> 32) & 0xFFFFFFFFull,
                  static_cast<unsigned long long>(g1 >> 16) & 0xFFFFull,
                  static_cast<unsigned long long>(g1) & 0xFFFFull,
                  static_cast<unsigned long long>(g2) & 0xFFFFull,
                  static_cast<unsigned long long>(g2 >> 16) & 0xFFFFFFFFFFFFull);
    // The base GUID. The goods-changed counter row comes with the schema, and its triggers have
    // moved it for every good written here.
    w.Add({I(0), I(0), I(kKeyBaseGuid.fMId), I(kKeyBaseGuid.fPType), I(0), I(0), S(guid),
           NullText(), now});
    // Rights of the module: per rights group and per user. The administrator holds
    // every right; the manager's own row (0) overrides the accounting group's row.
    const std::int64_t groupMasks[][2] = {{1, kAdminRightsMask}, {2, 7}, {3, 2}, {5, 7}};
    for (const auto& gm : groupMasks)
      w.Add({I(0), I(gm[0]), I(kDllId), I(kRightsOfGroup), I(gm[1]), I(0), NullText(), NullText(),
             Value::Null(ValueType::kDateTime)});
    w.Add({I(0), I(1), I(kDllId), I(kRightsOfUser), I(kAdminRightsMask), I(0), NullText(),
           NullText(), Value::Null(ValueType::kDateTime)});
    w.Add({I(0), I(9), I(kDllId), I(kRightsOfUser), I(0), I(0), NullText(), NullText(),
           Value::Null(ValueType::kDateTime)});
    // Rights of other host modules, as the host's rights editor stores them.
    for (std::int64_t g = 1; g <= 4; ++g) {
      w.Add({I(0), I(g), I(20), I(kRightsOfGroup), I(g == 1 ? 255 : 15), I(0), NullText(),
             NullText(), Value::Null(ValueType::kDateTime)});
    }
    // Access lists of cashiers and waiters: stores, entities, sale points.
    for (std::int64_t user : ctx_.cashiers) {
      const std::int64_t store = ctx_.stores[static_cast<std::size_t>(user) % ctx_.stores.size()];
      w.Add({I(0), I(user), I(kKeyAccessStores.fMId), I(kKeyAccessStores.fPType), I(0), I(0),
             NullText(), S("0," + std::to_string(store) + ","), Value::Null(ValueType::kDateTime)});
      w.Add({I(0), I(user), I(kKeyAccessEntities.fMId), I(kKeyAccessEntities.fPType), I(0), I(0),
             NullText(), S("0,1,"), Value::Null(ValueType::kDateTime)});
      w.Add({I(0), I(user), I(kKeyAccessSalePoints.fMId), I(kKeyAccessSalePoints.fPType), I(0),
             I(0), NullText(), S("1,2"), Value::Null(ValueType::kDateTime)});
    }
    w.Flush();
  }

  void PeerBases() {
    RowWriter w(conn_, "tirDEXSBaseIDs",
                {"fId", "fBaseGUID", "fStartDate", "fLastConnDate", "fDesc"});
    const char* const names[] = {"Філія Львів", "Мобільний агент"};
    for (std::int64_t id = 1; id <= 2; ++id) {
      char guid[48];
      const auto [g1, g2] = rnd_.Guid();
      std::snprintf(guid, sizeof guid, "%016llx%016llx", static_cast<unsigned long long>(g1),
                    static_cast<unsigned long long>(g2));
      const std::string t(guid);
      w.Add({I(id),
             S(t.substr(0, 8) + "-" + t.substr(8, 4) + "-" + t.substr(12, 4) + "-" +
               t.substr(16, 4) + "-" + t.substr(20, 12)),
             Value::DateTime(tir::db::EncodeDateTime({2024, 1, 10, 9, 0, 0})),
             Value::DateTime(tir::db::EncodeDateTime({2024, 12, 30, 21, 15, 0})),
             S(names[id - 1])});
      ctx_.peerBases.push_back(id);
    }
    w.Flush();
  }

  void CashRegisterGroups() {
    Tree("tirEKKAGroups", {{"Фіскальні реєстратори", -1}, {"ПРРО", -1}, {"Каси магазинів", 0}});
  }

  DemoContext& ctx_;
  tir::db::Connection& conn_;
  DemoRandom& rnd_;
  std::vector<std::pair<std::string, std::int64_t>> uktzedIds_;
};

}  // namespace

void GenerateCatalogs(DemoContext& context, std::int64_t goodsCount) {
  CatalogGenerator(context).Run(goodsCount);
}

}  // namespace tir::demo
