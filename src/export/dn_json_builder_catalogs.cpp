// Catalog sections of the main export builder other than goods: partners, contracts, users with
// their rights and access lists, rights groups and the simple catalogs.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/sql_text.h"
#include "export/dn_catalog.h"
#include "export/dn_json_builder.h"
#include "export/section_row.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"
#include "settings/random_source.h"
#include "settings/scramble.h"

namespace tir::exporting {

void TDNJSonBuilder::AddCatalog(TJsonOut& pairs, const Catalog& catalog) {
  if (!StartSection(catalog.section)) return;
  if (*catalog.treeTable != '\0') AddAllGroups(pairs, catalog.treeTable, catalog.treeKey);
  const bool grouped = *catalog.groupTable != '\0';
  std::string sql = "SELECT t1.* ";
  if (!catalog.sql.empty()) {
    sql = catalog.sql;
  } else if (grouped) {
    sql += std::string(",t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2 FROM ") + catalog.table +
           " t1  LEFT JOIN " + catalog.groupTable + " t2 ON t2.fId=t1." + catalog.groupColumn +
           "  WHERE (1=1) ";
  } else {
    sql += std::string(" FROM ") + catalog.table + " t1  WHERE (1=1) ";
  }
  if (catalog.sql.empty()) sql += ";";
  db::Query& q = *FDQuery2;
  q.SetFetchAll(false);
  q.SetSql(sql);
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cId = r.Col("fId"), cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2");
  const std::size_t cGr1 = grouped ? r.Col("grUID1") : 0, cGr2 = grouped ? r.Col("grUID2") : 0;
  std::vector<std::size_t> cols, cols2;
  for (const Catalog::Member& m : catalog.members) {
    const bool pair = m.kind == 'g';
    const std::string column = std::string(m.column) + (pair ? "1" : "");
    cols.push_back(m.kind == '0' ? 0 : r.Col(column));
    cols2.push_back(pair ? r.Col(std::string(m.column) + "2") : 0);
  }
  pairs.Key(catalog.key);
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    r.Int64("lid", cId);
    for (std::size_t i = 0; i < cols.size(); ++i) {
      const Catalog::Member& m = catalog.members[i];
      if (m.mainOnly && !MainForms()) continue;
      switch (m.kind) {
        case 'i':
          r.Int(m.key, cols[i]);
          break;
        case 'n':
          r.Num(m.key, cols[i]);
          break;
        case '0':
          pairs.Int(m.key, 0);
          break;
        case 'g':
          r.Guid(m.key, cols[i], cols2[i]);
          break;
        default:
          r.Str(m.key, cols[i]);
      }
    }
    if (grouped) r.Guid("group", cGr1, cGr2);
    pairs.EndObject();
    if (RowDone()) break;
  }
  pairs.EndArray();
  q.Close();
}

namespace {

using Member = TDNJSonBuilder::Catalog::Member;

const std::vector<Member> kCodeName = {{"code", "fCode", 's'}, {"name", "fName", 's'}};
const std::vector<Member> kCodeNameFull = {
    {"code", "fCode", 's'}, {"name", "fName", 's'}, {"namefull", "fNamePrint", 's'}};

std::vector<Member> With(std::vector<Member> head, const std::vector<Member>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

void TDNJSonBuilder::AddEntities(TJsonOut& pairs) {
  static const Catalog kEntities = {"AddEntities",
                                    "tirEntitiesGroups",
                                    "entitiesgroups",
                                    "tirEntities",
                                    "tirEntitiesGroups",
                                    "entities",
                                    With(kCodeNameFull, {{"edrpou", "fEDRPOU", 's'},
                                                         {"inn", "fINN", 's'},
                                                         {"nnds", "fNDSN", 's'},
                                                         {"tel1", "fTel", 's'},
                                                         {"tel2", "fTel1", 's'},
                                                         {"tel3", "fTel2", 's'},
                                                         {"adr1", "fAdress", 's'},
                                                         {"adr2", "fAdress1", 's'},
                                                         {"adr3", "fAdress2", 's'},
                                                         {"visible", "fState", 'i'}})};
  AddCatalog(pairs, kEntities);
}

void TDNJSonBuilder::AddStores(TJsonOut& pairs) {
  static const Catalog kStores = {"AddStores",
                                  "tirStoresGroups",
                                  "storesgroups",
                                  "tirStores",
                                  "tirStoresGroups",
                                  "stores",
                                  With(kCodeNameFull, {{"address", "fAdress", 's'},
                                                       {"priceid", "fPriceId", 'i'},
                                                       {"priceid2", "fPriceId2", 'i'},
                                                       {"visible", "fState", 'i'}})};
  AddCatalog(pairs, kStores);
}

void TDNJSonBuilder::AddTables(TJsonOut& pairs) {
  static const Catalog kTables = {"AddTables",
                                  "tirTablesGroups",
                                  "tablesgroups",
                                  "tirTables",
                                  "tirTablesGroups",
                                  "tables",
                                  With(kCodeNameFull, {{"visible", "fState", 'i'}})};
  AddCatalog(pairs, kTables);
}

void TDNJSonBuilder::AddMods(TJsonOut& pairs) {
  static const Catalog kMods = {"AddMods",
                                "tirModsGroups",
                                "modifiersgroups",
                                "tirMods",
                                "tirModsGroups",
                                "modifiers",
                                With(kCodeNameFull, {{"visible", "fState", 'i'}})};
  AddCatalog(pairs, kMods);
}

void TDNJSonBuilder::AddSalesPoints(TJsonOut& pairs) {
  static const Catalog kSalePoints = {"AddSalesPoints", "tirSalePGroups", "salepointsgroups",
                                      "tirSalePoints",  "tirSalePGroups", "salepoints",
                                      kCodeNameFull};
  AddCatalog(pairs, kSalePoints);
}

void TDNJSonBuilder::AddVATs(TJsonOut& pairs) {
  static const Catalog kVats = {
      "AddVATs",
      "tirVATsGroups",
      "vatsgroups",
      "tirVAT",
      "tirVATsGroups",
      "vats",
      With(kCodeName, {{"vat", "fVAT", 'n'}, {"vat_a", "fVATA", 'n', true}})};
  AddCatalog(pairs, kVats);
}

void TDNJSonBuilder::AddCurrencies(TJsonOut& pairs) {
  static const Catalog kCurrencies = {
      "AddCurrencies",
      "tirCurrenciesGroups",
      "currenciesgroups",
      "tirCurrencies",
      "tirCurrenciesGroups",
      "currencies",
      With(kCodeNameFull,
           {{"rate", "fCurr", 'n'}, {"visible", "fState", 'i'}, {"img", "fImg", 'i'}})};
  AddCatalog(pairs, kCurrencies);
}

void TDNJSonBuilder::AddItemCost(TJsonOut& pairs) {
  static const Catalog kItemCost = {"AddItemCost", "tirItemCostGroups", "itemscostgroups",
                                    "tirItemCost", "tirItemCostGroups", "itemscost",
                                    kCodeName};
  AddCatalog(pairs, kItemCost);
}

void TDNJSonBuilder::AddDiscontRules(TJsonOut& pairs) {
  static const Catalog kRules = {
      "AddDiscontRules",
      "",
      "",
      "tirDiscount",
      "",
      "salesrules",
      {{"name", "fName", 's'},
       {"namef", "fNameF", 's'},
       {"pos", "fPos", 'i'},
       {"active", "fActiv", 'i'},
       {"rule", "fPStr", 's'},
       {"version", "fVer", 'i'},
       {"salesplist", "fSalesPList", 's'}},
      "",
      std::string("SELECT *  FROM tirDiscount t1  WHERE (fVer >= 3) ") + ";"};
  AddCatalog(pairs, kRules);
}

void TDNJSonBuilder::AddCashAccounts(TJsonOut& pairs) {
  static const Catalog kCashAccounts = {
      "AddCashAccounts",
      "",
      "",
      "tirCashAccounts",
      "",
      "moneyaccounts",
      {{"name", "fName", 's'},
       {"desc", "fDesc", 's'},
       {"info", "fAccInfo", 's'},
       {"default", "fDefault", 'i'},
       {"type", "fType", 'i'},
       {"curr", "gr3UID", 'g'},
       {"entity", "grUID", 'g'}},
      "",
      std::string("SELECT t1.* ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2,t3.[fGUID1] AS "
                  "gr3UID1,t3.[fGUID2] AS gr3UID2 FROM tirCashAccounts t1  LEFT JOIN tirEntities "
                  "t2 ON t2.fId=t1.fEntitiId  LEFT JOIN tirCurrencies t3 ON t3.fId=t1.fCurrId  "
                  "WHERE (1=1) ") +
          ";"};
  AddCatalog(pairs, kCashAccounts);
}

void TDNJSonBuilder::AddContracts(TJsonOut& pairs) {
  static const Catalog kContracts = {
      "AddContracts",
      "",
      "",
      "tirContracts",
      "",
      "contracts",
      {{"name", "fName", 's'},
       {"pricetype", "fPriceId", 'i'},
       {"pricetype2", "fPriceId2", 'i'},
       {"discount", "fDiscount", 'n'},
       {"default", "fDefault", 'i'},
       {"type", "fType", 'i'},
       {"partner", "gr3UID", 'g'},
       {"curr", "gr4UID", 'g'},
       {"entity", "grUID", 'g'}},
      "",
      std::string("SELECT t1.* ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2,t3.[fGUID1] AS "
                  "gr3UID1,t3.[fGUID2] AS gr3UID2,t4.[fGUID1] AS gr4UID1,t4.[fGUID2] AS gr4UID2 "
                  "FROM tirContracts t1  LEFT JOIN tirEntities t2 ON t2.fId=t1.fEntitiId  LEFT "
                  "JOIN tirPartners t3 ON t3.fId=t1.fPartnerId  LEFT JOIN tirCurrencies t4 ON "
                  "t4.fId=t1.fCurrId  WHERE (1=1) ") +
          ";"};
  if (mNowRunMode == kRunRequest && MainForms() && !mTokenInfo.m1_mEntIds.empty()) {
    // A peer of the exchange service reads the contracts of its own entities only.
    Catalog scoped = kContracts;
    if (!db::IsValidIdList(mTokenInfo.m1_mEntIds))
      throw std::invalid_argument("Invalid id list in the token's entity list: \"" +
                                  mTokenInfo.m1_mEntIds + "\"");
    scoped.sql.pop_back();
    scoped.sql += " AND (t1.[fEntitiId] IN (" + mTokenInfo.m1_mEntIds + ")) ;";
    AddCatalog(pairs, scoped);
    return;
  }
  AddCatalog(pairs, kContracts);
}

void TDNJSonBuilder::AddPartners(TJsonOut& pairs) {
  if (!StartSection("AddPartners")) return;
  AddAllGroups(pairs, "tirPartnersGroups", "partnersgroups");
  AddPartnersRAW(pairs);
}

namespace {

// A partner date: written only when not null and outside the day numbers [-1, 1].
void PartnerDate(TSectionRow& r, const char* key, std::size_t col) {
  if (r.IsNull(col)) return;
  const double d = r.At(col).AsDateTime();
  if (d >= -1.0 && d <= 1.0) return;
  r.Out().Str(key, gDateToJSON(d));
}

void NonEmpty(TSectionRow& r, const char* key, std::size_t col) {
  const std::string text = r.Text(col);
  if (!text.empty()) r.Out().Str(key, text);
}

}  // namespace

void TDNJSonBuilder::AddPartnersRAW(TJsonOut& pairs) {
  if (!StartSection("AddPartnersRAW")) return;
  db::Query& q = *FDQuery2;
  q.SetFetchAll(true);
  std::string groupFilter;
  if (!mPartnerstGrIDS.empty() && mPartnerstGrIDS != "0") {
    q.SetSql("SELECT fcl, fcr FROM tirPartnersGroups WHERE fId = " +
             std::to_string(std::stoll(mPartnerstGrIDS)) + ";");
    q.Open();
    if (!q.Eof()) {
      groupFilter = " AND ((t2.fcl >= " + q.FieldByIndex(0).AsText() + ")" +
                    "   AND(t2.fcl <= " + q.FieldByIndex(1).AsText() + "))";
    }
    q.Close();
  }
  std::int64_t storePrice = 1;
  if (mTokenInfo.m2_mStoreIDMapped != 0) {
    q.SetSql("SELECT fPriceId FROM tirStores WHERE fId = " +
             std::to_string(mTokenInfo.m2_mStoreIDMapped) + ";");
    q.Open();
    if (!q.Eof() && !q.FieldByIndex(0).IsNull()) storePrice = q.FieldByIndex(0).AsInt64() + 1;
    q.Close();
  }
  q.SetFetchAll(false);
  q.SetSql(
      "SELECT t1.[fId] ,t1.[fCode] ,t1.[fName] ,t1.[fNamePrint] ,t1.[fState] ,t1.[fGroupID] "
      ",t1.[fCardNumber] ,t1.[fTel] ,t1.[fTel1] ,t1.[fTel2] ,t1.[fAdress] ,t1.[fAdress1] "
      ",t1.[fAdress2] ,t1.[fDate] ,t1.[fDate1] ,t1.[fDate2] ,t1.[fDate3] ,t1.[fDate4] "
      ",t1.[fDate5] ,t1.[fTel3] ,t1.[fTel4] ,t1.[fTel5] ,t1.[fDesc] ,t1.[fEDRPOU] ,t1.[fINN] "
      ",t1.[fGUID1] ,t1.[fGUID2] ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2"
      ",t3.[fPriceId] AS contrPriceId ,t3.[fDiscount] contrDisc " +
      std::string(" FROM tirPartners t1  LEFT JOIN tirPartnersGroups t2 ON t2.fId=t1.fGroupID  "
                  "LEFT JOIN tirContracts t3 ON ((t3.fPartnerId=t1.fId) AND (t3.fEntitiId=") +
      std::to_string(mTokenInfo.m2_mEntIDMapped) + ")AND(t3.fDefault = 1))" + " WHERE (1=1) " +
      groupFilter + ";");
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cId = r.Col("fId"), cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2"),
                    cGr1 = r.Col("grUID1"), cGr2 = r.Col("grUID2"), cCode = r.Col("fCode"),
                    cName = r.Col("fName"), cState = r.Col("fState"),
                    cNamePrint = r.Col("fNamePrint"), cCard = r.Col("fCardNumber"),
                    cTel = r.Col("fTel"), cTel1 = r.Col("fTel1"), cTel2 = r.Col("fTel2"),
                    cAdr = r.Col("fAdress"), cAdr1 = r.Col("fAdress1"), cAdr2 = r.Col("fAdress2"),
                    cDate = r.Col("fDate"), cDate1 = r.Col("fDate1"), cDate2 = r.Col("fDate2"),
                    cEdrpou = r.Col("fEDRPOU"), cInn = r.Col("fINN"),
                    cContrPrice = r.Col("contrPriceId"), cContrDisc = r.Col("contrDisc");
  pairs.Key("partners");
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    r.Int64("lid", cId);
    r.Guid("group", cGr1, cGr2);
    r.Str("code", cCode);
    const std::string name = r.Text(cName);
    pairs.Str("name", name);
    r.Int64("type", cState);
    const std::string namePrint = r.Text(cNamePrint);
    if (!namePrint.empty() && namePrint != name) pairs.Str("namefull", namePrint);
    NonEmpty(r, "card", cCard);
    NonEmpty(r, "tel1", cTel);
    NonEmpty(r, "tel2", cTel1);
    NonEmpty(r, "tel3", cTel2);
    NonEmpty(r, "adr1", cAdr);
    NonEmpty(r, "adr2", cAdr1);
    NonEmpty(r, "adr3", cAdr2);
    PartnerDate(r, "date1", cDate);
    PartnerDate(r, "date2", cDate1);
    PartnerDate(r, "date3", cDate2);
    NonEmpty(r, "edrpou", cEdrpou);
    NonEmpty(r, "inn", cInn);
    std::int64_t priceId = r.Int64(cContrPrice);
    if (priceId == 0) priceId = storePrice;
    if (priceId != 1) pairs.Int("priceid", static_cast<std::int32_t>(priceId));
    if (!r.IsNull(cContrDisc)) r.Num("pricedisc", cContrDisc);
    pairs.EndObject();
    if (RowDone()) break;
  }
  pairs.EndArray();
  q.Close();
}

void TDNJSonBuilder::AddUsers(TJsonOut& pairs) {
  if (!StartSection("AddUsers")) return;
  AddAllGroups(pairs, "tirUsersGroups", "usersgroups");
  AddUsersRightsGroupsRAW(pairs);
  AddUsersRAW(pairs);
}

void TDNJSonBuilder::WriteRights(TJsonOut& pairs, int kind, std::int64_t id) {
  db::Query& q = *FDQuery1;
  q.SetSql("SELECT fPB, fPI, fMId  FROM tirSettings  WHERE ([fPType]=" + std::to_string(kind) +
           ") AND (fUserId=:pUserId);");
  q.ParamByName("pUserId").SetInt64(id);
  q.Open();
  pairs.Key("rights");
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    pairs.StartObject();
    pairs.Int64("pb", q.FieldByIndex(0).AsInt64());
    pairs.Int64("pi", q.FieldByIndex(1).AsInt64());
    pairs.Int("mid", q.FieldByIndex(2).AsInt32());
    pairs.EndObject();
  }
  pairs.EndArray();
  q.Close();
}

void TDNJSonBuilder::AddUsersRightsGroupsRAW(TJsonOut& pairs) {
  if (!StartSection("AddUsersRightsGroupsRAW")) return;
  db::Query& q = *FDQuery2;
  q.SetFetchAll(true);
  q.SetSql(std::string("SELECT t1.*  FROM tirUsersRG t1  WHERE (1=1) ORDER BY fId") + ";");
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cId = r.Col("fId"), cName = r.Col("fName"), cState = r.Col("fState"),
                    cBase = r.Col("fBase");
  pairs.Key("usersgroupsrights");
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    pairs.StartObject();
    r.Int64("lid", cId);
    r.Str("name", cName);
    r.Int("state", cState);
    r.Int("base", cBase);
    WriteRights(pairs, kRightsOfGroup, r.Int64(cId));
    pairs.EndObject();
  }
  pairs.EndArray();
  q.Close();
}

namespace {

struct AccessLists {
  std::string salePoints;
  std::vector<std::string> stores;
  std::vector<std::string> entities;
  bool hasStores = false;
  bool hasEntities = false;
};

// The id list without empty items (stored lists end with a comma, "0,1,").
std::string WithoutEmptyItems(const std::string& list) {
  std::string out, item;
  const auto flush = [&] {
    const auto first = item.find_first_not_of(' ');
    if (first != std::string::npos) out += (out.empty() ? "" : ",") + item.substr(first);
    item.clear();
  };
  for (const char c : list) {
    if (c == ',') {
      flush();
    } else {
      item += c;
    }
  }
  flush();
  return out;
}

std::vector<std::string> GuidsOf(db::Query& q, const std::string& table, const std::string& list) {
  const std::string ids = WithoutEmptyItems(list);
  if (ids.empty()) return {};
  if (!db::IsValidIdList(ids)) {
    throw std::invalid_argument("Invalid id list in the access list of " + table + ": \"" + ids +
                                "\"");
  }
  q.SetSql("SELECT fGUID1, fGUID2 FROM " + table + "  WHERE (fId in (" + ids + "));");
  q.Open();
  std::vector<std::string> guids;
  for (; !q.Eof(); q.Next()) {
    guids.push_back(gGetGUIDSTR(q.FieldByIndex(0).AsInt64(), q.FieldByIndex(1).AsInt64()));
  }
  q.Close();
  return guids;
}

}  // namespace

void TDNJSonBuilder::WriteUserAccess(TJsonOut& pairs, std::int64_t userId) {
  // Everything is read before anything is written, so an error leaves the object well formed.
  AccessLists lists;
  try {
    db::Query& q = *FDQuery1;
    q.SetSql("SELECT fPValID,fPType, fPB, fPStr FROM tirSettings WHERE (fUserId = " +
             std::to_string(userId) + ")AND (fMId = 50) AND (fPType in (10250,10260,10270));");
    q.Open();
    std::string stores, entities;
    for (; !q.Eof(); q.Next()) {
      const std::int64_t kind = q.FieldByIndex(1).AsInt64();
      const std::string text = q.FieldByIndex(3).AsText();
      // Stores, entities and sale points under the kinds the import stores them with, so a
      // user's access lists survive an exchange between two bases.
      if (kind == kKeyAccessStores.fPType) stores = text;
      if (kind == kKeyAccessEntities.fPType) entities = text;
      if (kind == kKeyAccessSalePoints.fPType) lists.salePoints = text;
    }
    q.Close();
    if (!stores.empty()) lists.stores = GuidsOf(q, "tirStores", stores), lists.hasStores = true;
    if (!entities.empty()) {
      lists.entities = GuidsOf(q, "tirEntities", entities);
      lists.hasEntities = true;
    }
  } catch (...) {
    ReportError(std::current_exception());
    return;
  }
  pairs.Int("accesssalep", lists.salePoints.empty() ? 0 : 1);
  if (!lists.salePoints.empty()) pairs.Str("accesssalepids", lists.salePoints);
  const auto writeList = [&](const char* flag, const char* key, bool has,
                             const std::vector<std::string>& guids) {
    pairs.Int(flag, has ? 1 : 0);
    if (!has) return;
    pairs.Key(key);
    pairs.StartArray();
    for (const std::string& guid : guids) {
      pairs.StartObject();
      pairs.Str("guid", guid);
      pairs.EndObject();
    }
    pairs.EndArray();
  };
  writeList("accessstores", "accessstoresids", lists.hasStores, lists.stores);
  writeList("accessentities", "accessentitiesids", lists.hasEntities, lists.entities);
}

void TDNJSonBuilder::AddUsersRAW(TJsonOut& pairs) {
  if (!StartSection("AddUsersRAW")) return;
  db::Query& q = *FDQuery2;
  q.SetFetchAll(true);
  q.SetSql(std::string("SELECT t1.* ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2 FROM tirUsers "
                       "t1  LEFT JOIN tirUsersGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) ") +
           ";");
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cId = r.Col("fId"), cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2"),
                    cGr1 = r.Col("grUID1"), cGr2 = r.Col("grUID2"), cCode = r.Col("fCode");
  const struct {
    const char* key;
    std::size_t col;
  } scrambled[] = {{"code02", cCode},
                   {"name02", r.Col("fName")},
                   {"namefull02", r.Col("fNamePrint")},
                   {"state02", r.Col("fState")},
                   {"card02", r.Col("fCardNumber")},
                   {"p102", r.Col("fPassword")},
                   {"p202", r.Col("fPassword2")}};
  pairs.Key("users");
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    const std::int64_t id = r.Int64(cId);
    std::string prefix(11, 'A');
    for (char& c : prefix) c = static_cast<char>('A' + gRandom(20));
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    pairs.Int64("lid", id);
    r.Str("code", cCode);
    for (const auto& s : scrambled) pairs.Str(s.key, gEncodeStr(prefix + r.Text(s.col)));
    r.Guid("group", cGr1, cGr2);
    WriteRights(pairs, kRightsOfUser, id);
    WriteUserAccess(pairs, id);
    pairs.EndObject();
    if (RowDone()) break;
  }
  pairs.EndArray();
  q.Close();
}

}  // namespace tir::exporting
