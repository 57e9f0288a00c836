// Catalog sections of the universal JSON builder (everything but goods, recipes and documents).
#include <string>
#include <utility>
#include <vector>

#include "db/date_time.h"
#include "export/query_columns.h"
#include "export/tir_json_builder.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "settings/date_forms.h"

namespace tir::exporting {

namespace {

// Readers of the current row of an open section query by column name. One Row serves one query:
// each column is looked up by name on its first use and read by index from then on.
class Row {
 public:
  explicit Row(const db::Query& q) : q_(q) {}
  std::string Text(const char* col) const { return q_.FieldByIndex(Col(col)).AsText(); }
  std::int64_t Int(const char* col) const { return q_.FieldByIndex(Col(col)).AsInt64(); }
  double Num(const char* col) const { return q_.FieldByIndex(Col(col)).AsDouble(); }
  std::string Guid(const char* col1, const char* col2) const {
    return GuidOf(q_, Col(col1), Col(col2));
  }
  // Index of a column, remembered under the address of the name literal (a handful of columns,
  // so a short list beats hashing).
  std::size_t Col(const char* col) const {
    for (const auto& [name, index] : cols_) {
      if (name == col) return index;
    }
    cols_.emplace_back(col, ColumnOf(q_, col));
    return cols_.back().second;
  }
  const db::Query& Query() const { return q_; }

  // The keys most catalogs start with: "guid", "lid", "code", "name" and, when asked, "namefull"
  // (the printed name).
  void Head(json::Object& o, bool withNameFull) const {
    o.SetString("guid", Guid("fGUID1", "fGUID2"));
    o.SetInt64("lid", Int("fId"));
    o.SetString("code", Text("fCode"));
    o.SetString("name", Text("fName"));
    if (withNameFull) o.SetString("namefull", Text("fNamePrint"));
  }
  // The group row's GUID, the last key of catalogs with groups.
  void Group(json::Object& o) const { o.SetString("group", Guid("grUID1", "grUID2")); }

 private:
  const db::Query& q_;
  mutable std::vector<std::pair<const char*, std::size_t>> cols_;
};

// A partner date: the compact text, or "" for a null or for a value within a day of the zero date.
std::string PartnerDate(const Row& r, const char* col) {
  const db::Field f = r.Query().FieldByIndex(r.Col(col));
  if (f.IsNull()) return "";
  const double d = f.AsDateTime();
  if (d >= -1.0 && d <= 1.0) return "";
  return gDateToJSON(d);
}

std::string Filter(const char* column, const std::string& ids) {
  return ids.empty() ? std::string() : std::string(" AND (") + column + " in (" + ids + "))";
}

}  // namespace

void TTirJSonBuilder::AddSimpleCatalog(const std::string& sql, const std::string& key,
                                       const std::function<void(json::Object&)>& fill) {
  json::Array rows = mJson.SetNewArray(key);
  FDQuery2.SetSql(sql);
  FDQuery2.Open();
  std::int64_t n = 0;
  for (; !FDQuery2.Eof(); FDQuery2.Next()) {
    json::Object o = rows.AppendNewObject();
    fill(o);
    if (++n % 100 == 0) frame::ProcessMessages();
  }
  FDQuery2.Close();
}

void TTirJSonBuilder::AddAllEntities(const std::string& pGroupIds) {
  CheckIdList("pGroupIds", pGroupIds);
  AddAllGroups("tirEntitiesGroups", "entitiesgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fEDRPOU], t1.[fINN], "
      "t1.[fNDSN], t1.[fTel], t1.[fTel1], t1.[fTel2], t1.[fAdress], t1.[fAdress1], t1.[fAdress2], "
      "t1.[fState], t1.[fGUID1], t1.[fGUID2], t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 "
      "FROM tirEntities t1 LEFT JOIN tirEntitiesGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) " +
          Filter("t1.fId", pGroupIds) + ";",
      "entities", [&](json::Object& o) {
        r.Head(o, true);
        o.SetString("edrpou", r.Text("fEDRPOU"));
        o.SetString("inn", r.Text("fINN"));
        o.SetString("nnds", r.Text("fNDSN"));
        o.SetString("tel1", r.Text("fTel"));
        o.SetString("tel2", r.Text("fTel1"));
        o.SetString("tel3", r.Text("fTel2"));
        o.SetString("adr1", r.Text("fAdress"));
        o.SetString("adr2", r.Text("fAdress1"));
        o.SetString("adr3", r.Text("fAdress2"));
        o.SetInt64("visible", r.Int("fState"));
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllCashAccounts(const std::string& pGroupIds) {
  CheckIdList("pGroupIds", pGroupIds);
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fDesc], t1.[fName], t1.[fAccInfo], t1.[fDefault], t1.[fType], "
      "t1.[fGUID1], t1.[fGUID2], t3.[fGUID1] AS currUID1, t3.[fGUID2] AS currUID2, "
      "t2.[fGUID1] AS entUID1, t2.[fGUID2] AS entUID2 FROM tirCashAccounts t1 "
      "LEFT JOIN tirEntities t2 ON t2.fId=t1.fEntitiId LEFT JOIN tirCurrencies t3 ON "
      "t3.fId=t1.fCurrId  WHERE (1=1) " +
          Filter("t1.fEntitiId", pGroupIds) + ";",
      "moneyaccounts", [&](json::Object& o) {
        o.SetString("guid", r.Guid("fGUID1", "fGUID2"));
        o.SetInt64("lid", r.Int("fId"));
        o.SetString("desc", r.Text("fDesc"));
        o.SetString("name", r.Text("fName"));
        o.SetString("info", r.Text("fAccInfo"));
        o.SetInt64("default", r.Int("fDefault"));
        o.SetInt64("type", r.Int("fType"));
        o.SetString("curr", r.Guid("currUID1", "currUID2"));
        o.SetString("entity", r.Guid("entUID1", "entUID2"));
      });
}

void TTirJSonBuilder::AddAllCurrencies() {
  AddAllGroups("tirCurrenciesGroups", "currenciesgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fState], t1.[fCurr], "
      "t1.[fGUID1], t1.[fGUID2], t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 "
      "FROM tirCurrencies t1 LEFT JOIN tirCurrenciesGroups t2 ON t2.fId=t1.fGroupID ;",
      "currencies", [&](json::Object& o) {
        r.Head(o, true);
        o.SetInt64("visible", r.Int("fState"));
        o.SetNumber("rate", r.Num("fCurr"));
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllContracts(const std::string& pGroupIds) {
  CheckIdList("pGroupIds", pGroupIds);
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fName], t1.[fPriceId], t1.[fDefault], t1.[fType], t1.[fGUID1], "
      "t1.[fGUID2], t3.[fGUID1] AS partUID1, t3.[fGUID2] AS partUID2, t4.[fGUID1] AS currUID1, "
      "t4.[fGUID2] AS currUID2, t2.[fGUID1] AS entUID1, t2.[fGUID2] AS entUID2 "
      "FROM tirContracts t1 LEFT JOIN tirEntities t2 ON t2.fId=t1.fEntitiId "
      "LEFT JOIN tirPartners t3 ON t3.fId=t1.fPartnerId LEFT JOIN tirCurrencies t4 ON "
      "t4.fId=t1.fCurrId  WHERE (1=1) " +
          Filter("t1.fEntitiId", pGroupIds) + ";",
      "contracts", [&](json::Object& o) {
        o.SetString("guid", r.Guid("fGUID1", "fGUID2"));
        o.SetInt64("lid", r.Int("fId"));
        o.SetString("name", r.Text("fName"));
        o.SetInt64("pricetype", r.Int("fPriceId"));
        o.SetInt64("default", r.Int("fDefault"));
        o.SetInt64("type", r.Int("fType"));
        o.SetString("partner", r.Guid("partUID1", "partUID2"));
        o.SetString("curr", r.Guid("currUID1", "currUID2"));
        o.SetString("entity", r.Guid("entUID1", "entUID2"));
      });
}

void TTirJSonBuilder::AddAllItemCost() {
  AddAllGroups("tirItemCostGroups", "itemscostgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fGUID1], t1.[fGUID2], t2.[fGUID1] AS grUID1, "
      "t2.[fGUID2] AS grUID2 FROM tirItemCost t1 LEFT JOIN tirItemCostGroups t2 ON "
      "t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "itemscost", [&](json::Object& o) {
        r.Head(o, false);
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllVAT() {
  AddAllGroups("tirVATsGroups", "vatsgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fVAT], t1.[fVATA], t1.[fGUID1], t1.[fGUID2], "
      "t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 FROM tirVAT t1 LEFT JOIN tirVATsGroups t2 ON "
      "t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "vats", [&](json::Object& o) {
        r.Head(o, false);
        o.SetNumber("vat", r.Num("fVAT"));
        o.SetNumber("vat_a", r.Num("fVATA"));
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllTables() {
  AddAllGroups("tirTablesGroups", "tablesgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fGUID1], t1.[fGUID2], "
      "t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 FROM tirTables t1 LEFT JOIN tirTablesGroups "
      "t2 ON t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "tables", [&](json::Object& o) {
        r.Head(o, true);
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllStores(const std::string& pGroupIds) {
  CheckIdList("pGroupIds", pGroupIds);
  AddAllGroups("tirStoresGroups", "storesgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fPriceId], t1.[fGUID1], "
      "t1.[fGUID2], t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 FROM tirStores t1 "
      "LEFT JOIN tirStoresGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) " +
          Filter("t1.fId", pGroupIds) + ";",
      "stores", [&](json::Object& o) {
        r.Head(o, true);
        o.SetInt64("pricetype", r.Int("fPriceId"));
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllUsers() {
  AddAllGroups("tirUsersGroups", "usersgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fState], t1.[fPassword], "
      "t1.[fCardNumber], t1.[fGUID1], t1.[fGUID2], t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 "
      "FROM tirUsers t1 LEFT JOIN tirUsersGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "users", [&](json::Object& o) {
        r.Head(o, true);
        o.SetInt64("type", r.Int("fState"));
        o.SetString("card", r.Text("fCardNumber"));
        r.Group(o);
      });
}

void TTirJSonBuilder::AddAllPartners() {
  AddAllGroups("tirPartnersGroups", "partnersgroups");
  const Row r(FDQuery2);
  AddSimpleCatalog(
      "SELECT t1.[fId], t1.[fCode], t1.[fName], t1.[fNamePrint], t1.[fState], t1.[fCardNumber], "
      "t1.[fTel], t1.[fTel1], t1.[fTel2], t1.[fAdress], t1.[fAdress1], t1.[fAdress2], t1.[fDate], "
      "t1.[fDate1], t1.[fDate2], t1.[fEDRPOU], t1.[fINN], t1.[fGUID1], t1.[fGUID2], "
      "t2.[fGUID1] AS grUID1, t2.[fGUID2] AS grUID2 FROM tirPartners t1 "
      "LEFT JOIN tirPartnersGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "partners", [&](json::Object& o) {
        r.Head(o, true);
        o.SetInt64("type", r.Int("fState"));
        o.SetString("card", r.Text("fCardNumber"));
        o.SetString("tel1", r.Text("fTel"));
        o.SetString("tel2", r.Text("fTel1"));
        o.SetString("tel3", r.Text("fTel2"));
        o.SetString("adr1", r.Text("fAdress"));
        o.SetString("adr2", r.Text("fAdress1"));
        o.SetString("adr3", r.Text("fAdress2"));
        o.SetString("date1", PartnerDate(r, "fDate"));
        o.SetString("date2", PartnerDate(r, "fDate1"));
        o.SetString("date3", PartnerDate(r, "fDate2"));
        o.SetString("edrpou", r.Text("fEDRPOU"));
        o.SetString("inn", r.Text("fINN"));
        o.SetString("nnds", "");
        r.Group(o);
      });
}

}  // namespace tir::exporting
