// Catalog loaders: each catalog is a table of its JSON keys, columns and references, run by the
// shared row rules of TCatalogWriter; group trees are merged into the nested sets by GUID.
#include <set>
#include <utility>

#include "db/date_time.h"
#include "db/db_error.h"
#include "import/json_loader_catalog_rows.h"
#include "posting/main_provodka.h"
#include "settings/guid_forms.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"
#include "tree/tree_merge_check.h"
#include "tree/tree_repair.h"

namespace tir::import {
namespace {

using TR = TRead;

// Deepest group tree accepted; deeper nesting is refused as damage.
constexpr int kMaxTreeDepth = 256;

template <class R>
TRef<R> Group(const char* table, const char* column = "fGroupID") {
  return {"group", table, &R::fGroupGUID, &R::fGroupID, column, "fGG"};
}

// code, name and namefull, after the sender's id when the catalog keeps it.
template <class R>
std::vector<TColumn<R>> Names(bool withLid) {
  std::vector<TColumn<R>> c;
  if (withLid) c.push_back({"lid", nullptr, &R::fId, TR::kInt64});
  c.push_back({"code", "fCode", &R::fCode, TR::kText});
  c.push_back({"name", "fName", &R::fName, TR::kText});
  c.push_back({"namefull", "fNamePrint", &R::fNamePrint, TR::kText});
  return c;
}

// Three phones and three addresses.
template <class R>
std::vector<TColumn<R>> Contacts() {
  return {
      {"tel1", "fTel", &R::fTel, TR::kText},         {"tel2", "fTel1", &R::fTel1, TR::kText},
      {"tel3", "fTel2", &R::fTel2, TR::kText},       {"adr1", "fAdress", &R::fAdress, TR::kText},
      {"adr2", "fAdress1", &R::fAdress1, TR::kText}, {"adr3", "fAdress2", &R::fAdress2, TR::kText}};
}

template <class R>
std::vector<TColumn<R>> Join(std::vector<TColumn<R>> a,
                             std::initializer_list<std::vector<TColumn<R>>> more) {
  for (const auto& m : more) a.insert(a.end(), m.begin(), m.end());
  return a;
}

// Catalogs of the TStoreInfo shape that read guid, code, name, namefull and group, with either
// the sender's id (lid) or the visibility flag.
TCatalog<TStoreInfo> SimpleStoreLike(const char* kind, const char* groupKey, const char* table,
                                     const char* groupTable, bool keepId) {
  using R = TStoreInfo;
  TCatalog<R> c{kind,
                kind,
                groupKey,
                table,
                keepId ? TMatch::kGuidOrId : TMatch::kGuid,
                keepId,
                TStamp::kMainSPR,
                {},
                {Group<R>(groupTable)}};
  c.columns =
      Join(Names<R>(keepId), {{{keepId ? nullptr : "visible", "fState", &R::fState, TR::kInt},
                               {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}}});
  return c;
}

}  // namespace

void TCatalogWriter::Stamp(TStamp s) {
  const double now = db::NowDateTime();
  if (s == TStamp::kMainSPR) L.mLastUpdateMainSPRTime = now;
  if (s == TStamp::kPartners) L.mLastUpdatePartnersTime = now;
  if (s == TStamp::kGoods) L.mLastUpdateGoodsTime = now;
}

std::int64_t TDMJsonLoader::FindIdByGUID(const std::string& pTable, std::int64_t pGUID1,
                                         std::int64_t pGUID2) {
  if (pGUID1 == 0 && pGUID2 == 0) return 0;
  // The goods of a text mostly share a few groups: their ids are looked up once.
  const bool groups = pTable == "tirGoodsGroups";
  if (groups) {
    const auto it = mGroupIds.find({pGUID1, pGUID2});
    if (it != mGroupIds.end()) return it->second;
  }
  db::Query& q = Cached("SELECT fId FROM " + pTable + " WHERE (fGUID1=:pG1)AND(fGUID2=:pG2);");
  q.ParamByName("pG1").SetInt64(pGUID1);
  q.ParamByName("pG2").SetInt64(pGUID2);
  q.Open();
  const std::int64_t id = q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
  if (groups && id != 0) mGroupIds[{pGUID1, pGUID2}] = id;
  return id;
}

std::int64_t TDMJsonLoader::FindIdByGUID(const std::string& pTable, const TJSGIUD& pGUID) {
  return FindIdByGUID(pTable, pGUID.fGUID1, pGUID.fGUID2);
}

std::int64_t TDMJsonLoader::FindIdByGUID(const std::string& pTable, std::string_view pGUIDText) {
  TJSGIUD g;
  g.uSetValue(pGUIDText);
  return FindIdByGUID(pTable, g);
}

std::int64_t TDMJsonLoader::FindContractId(std::int64_t pPartnerId, std::int64_t pEntId) {
  db::Query& q = Cached(
      "SELECT {IF MSSQL}TOP 1{fi} t1.[fId] FROM [tirContracts] t1 WHERE ((fPartnerId=:pPartnerId) "
      "AND (fEntitiId = :pEntId)) ORDER BY [fDefault] DESC, fId{IF SQLite} LIMIT 1{fi};");
  q.ParamByName("pPartnerId").SetInt64(pPartnerId);
  q.ParamByName("pEntId").SetInt64(pEntId);
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

std::int64_t TDMJsonLoader::FindCashAccountId(std::int64_t pEntId) {
  db::Query& q = Cached(
      "SELECT [fId] FROM [tirCashAccounts] WHERE (fEntitiId = :pEntId) ORDER BY [fDefault] DESC, "
      "fId;");
  q.ParamByName("pEntId").SetInt64(pEntId);
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

void TDMJsonLoader::CreateTreeGroups(const std::string& pTagJson, const std::string& pTableName) {
  db::Query& q = *FDQuery1;
  std::string report;
  if (!tree::gTreeFunc_CheckIntegrity(q, pTableName, report)) {
    const tree::TFuncR r = tree::gTreeFunc_RepairSafeSmart(q, pTableName, "root");
    if (r.fCode != 0) throw EJsonLoadError(pTableName + ": " + r.fStr);
  }
  mGroupIds.clear();
  // The procedure form answers a failed look-up with 0: groups must not go under no parent.
  const int root = tree::gTreeFunc_GetRootID(q, pTableName);
  if (root == 0) throw EJsonLoadError(pTableName + ": no root group");
  const auto check = [&](const tree::TFuncR& r) {
    if (r.fCode != 0) throw EJsonLoadError(pTableName + ": " + r.fStr);
  };
  // The tree is walked twice: first to note what the merge would do (new groups get negative ids
  // of their own), then to do it. A text that repeats the stored tree would rename every group to
  // its name and move it back to its place, one full rewrite of the nested set per group; when the
  // first walk shows that, the second adds the new groups only.
  std::vector<tree::TMergeStep> steps;
  std::set<std::pair<std::int64_t, std::int64_t>> newGuids;
  bool recording = true, moves = true, repeatedNew = false;
  TLoadReport scratch;  // the first walk's notes on the GUIDs are made again by the second
  // Nodes are merged in text order; children met before both guid and name are skipped.
  std::function<bool(const JValue&, std::size_t, int, int)> node = [&](const JValue& obj,
                                                                       std::size_t index,
                                                                       int parent, int depth) {
    if (depth > kMaxTreeDepth) {
      throw EJsonLoadError(pTagJson + ": groups nested deeper than " +
                           std::to_string(kMaxTreeDepth) + " levels");
    }
    std::string guid, name;
    bool haveGuid = false, haveName = false;
    int id = 0;
    for (const auto& m : obj.GetObject()) {
      if (m.value.IsNull()) continue;
      const std::string_view key = KeyOf(m);
      const TWhere w{pTagJson.c_str(), index, key};
      if (key == "guid" && !haveGuid) {
        TJSGIUD g;
        ReadGuid(m.value, w, g, recording ? scratch : mReport);
        if (!g.isEmpty()) guid = ReadText(m.value, w);
        haveGuid = true;
      } else if (key == "name" && !haveName) {
        name = ReadText(m.value, w);
        haveName = true;
      } else if (key == "children" && id != 0) {
        ForEachObject(m.value, pTagJson.c_str(), [&](const JValue& child, std::size_t i) {
          return node(child, i, id, depth + 1);
        });
        continue;
      } else {
        continue;
      }
      if (haveGuid && haveName && id == 0 && !guid.empty()) {
        id = static_cast<int>(FindIdByGUID(pTableName, guid));
        if (recording) {
          if (id == 0) {
            // A new GUID met again finds the group its first mention added.
            TJSGIUD key;
            key.uSetValue(guid);
            repeatedNew = !newGuids.insert({key.fGUID1, key.fGUID2}).second || repeatedNew;
            id = -static_cast<int>(steps.size() + 1);
          }
          steps.push_back({id, parent, name});
          continue;
        }
        if (id == 0) {
          check(tree::gTreeFunc_AddChieldNode(q, pTableName, parent, name, id));
          check(tree::gTreeFunc_UpdateNodeGUID(q, pTableName, id, guid));
        } else if (moves) {
          check(tree::gTreeFunc_UpdateNode(q, pTableName, id, name));
          check(tree::gTreeFunc_ChangeParent(q, pTableName, id, parent));
        }
        if (id == 0)
          throw EJsonLoadError(std::string(pTableName).append(": group not added: ").append(name));
      }
    }
    return true;
  };
  const auto walk = [&] {
    for (const TTopValue* nodes : FindAllTop(JSONResp.get(), pTagJson.c_str())) {
      ForEachObject(*JSONResp, *nodes, pTagJson.c_str(), [&](const JValue& obj, std::size_t index) {
        return node(obj, index, root, 0);
      });
    }
  };
  walk();
  if (steps.empty()) return;
  moves = repeatedNew || !tree::gTreeMovesChangeNothing(q, pTableName, steps);
  recording = false;
  walk();
}

void TDMJsonLoader::AddOrUpdateAllCatalogs() {
  if (ifExitNOW()) return;
  AddOrUpdateSalePoints();
  AddOrUpdateItemsCost();
  AddOrUpdateTables();
  AddOrUpdateMods();
  AddOrUpdateVATs();
  AddOrUpdateStores();
  AddOrUpdateCurr();
  AddOrUpdateEntities();
  AddOrUpdateMoneyAccounts();
  AddOrUpdateUsers();
  AddOrUpdateDisconts();
}

void TDMJsonLoader::AddOrUpdateSalePoints() {
  TCatalogWriter(*this).Run(
      SimpleStoreLike("salepoints", "salepointsgroups", "tirSalePoints", "tirSalePGroups", true));
}

void TDMJsonLoader::AddOrUpdateItemsCost() {
  TCatalogWriter(*this).Run(
      SimpleStoreLike("itemscost", "itemscostgroups", "tirItemCost", "tirItemCostGroups", true));
}

void TDMJsonLoader::AddOrUpdateTables() {
  TCatalogWriter(*this).Run(
      SimpleStoreLike("tables", "tablesgroups", "tirTables", "tirTablesGroups", false));
}

void TDMJsonLoader::AddOrUpdateMods() {
  TCatalogWriter(*this).Run(
      SimpleStoreLike("modifiers", "modifiersgroups", "tirMods", "tirModsGroups", false));
}

void TDMJsonLoader::AddOrUpdateVATs() {
  using R = TVatInfo;
  const TCatalog<R> c{"vats",
                      "vats",
                      "vatsgroups",
                      "tirVAT",
                      TMatch::kGuidOrId,
                      true,
                      TStamp::kMainSPR,
                      {{"lid", nullptr, &R::fId, TR::kInt64},
                       {"code", "fCode", &R::fCode, TR::kText},
                       {"name", "fName", &R::fName, TR::kText},
                       {"vat", "fVAT", &R::fVAT, TR::kExt},
                       {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}},
                      {Group<R>("tirVATsGroups")}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdateStores() {
  using R = TStoreInfo;
  const TCatalog<R> c{"stores",
                      "stores",
                      "storesgroups",
                      "tirStores",
                      TMatch::kGuid,
                      false,
                      TStamp::kMainSPR,
                      Join(Names<R>(false), {{{"address", "fAdress", &R::fAddress, TR::kText},
                                              {"visible", "fState", &R::fState, TR::kInt},
                                              {"priceid", "fPriceId", &R::fPriceId, TR::kInt},
                                              {"priceid2", "fPriceId2", &R::fPriceId2, TR::kInt},
                                              {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}}}),
                      {Group<R>("tirStoresGroups")}};
  if (TCatalogWriter(*this).Run(c).inserted > 0) {
    mProvodka->RebuildGoodsStores(*FDQuery1, Conn().Kind() == db::DbKind::kMSSQL ? 1 : 0);
  }
}

void TDMJsonLoader::AddOrUpdateCurr() {
  using R = TCurrInfo;
  const TCatalog<R> c{"currencies",
                      "currencies",
                      "currenciesgroups",
                      "tirCurrencies",
                      TMatch::kGuidOrId,
                      true,
                      TStamp::kMainSPR,
                      Join(Names<R>(true), {{{"visible", "fState", &R::fState, TR::kInt},
                                             {"img", "fImg", &R::fImg, TR::kInt},
                                             {"rate", "fCurr", &R::fCurr, TR::kExt},
                                             {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}}}),
                      {Group<R>("tirCurrenciesGroups")}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdateEntities() {
  using R = TEntityInfo;
  const TCatalog<R> c{"entities",
                      "entities",
                      "entitiesgroups",
                      "tirEntities",
                      TMatch::kGuid,
                      false,
                      TStamp::kMainSPR,
                      Join(Names<R>(false), {{{"edrpou", "fEDRPOU", &R::fEDRPOU, TR::kText},
                                              {"inn", "fINN", &R::fINN, TR::kText},
                                              {"nnds", "fNDSN", &R::fNDSN, TR::kText}},
                                             Contacts<R>(),
                                             {{"visible", "fState", &R::fState, TR::kInt},
                                              {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}}}),
                      {Group<R>("tirEntitiesGroups")}};
  if (TCatalogWriter(*this).Run(c).inserted > 0) {
    mProvodka->RebuildGoodsStores(*FDQuery1, Conn().Kind() == db::DbKind::kMSSQL ? 1 : 0);
  }
}

void TDMJsonLoader::AddOrUpdatePricesNames() {
  using R = TStoreInfo;
  // The price name's currency travels in fPriceId, the record's only free integer.
  TCatalog<R> c{"pricenames",
                "pricenames",
                "pricesgroups",
                "tirPricesNames",
                TMatch::kGuidOrId,
                true,
                TStamp::kMainSPR,
                Join(Names<R>(true), {{{"currid", "fCurrId", &R::fPriceId, TR::kInt},
                                       {nullptr, "fGroupID", &R::fGroupID, TR::kInt64}}}),
                {Group<R>("tirPricesGroups")}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdateUKTZED() {
  using R = TStoreInfo;
  const TCatalog<R> c{"uktzed",
                      "uktzed",
                      "uktzedgroups",
                      "tirUktzed",
                      TMatch::kGuidOrCode,
                      false,
                      TStamp::kGoods,
                      {{"code", "fZEDCode", &R::fCode, TR::kText},
                       {"name", "fZEDName", &R::fName, TR::kText},
                       {nullptr, "fZEDGroupID", &R::fGroupID, TR::kInt64}},
                      {Group<R>("tirUktzedGroups", "fZEDGroupID")}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdatePartners() {
  using R = TPartnerInfo;
  const TCatalog<R> c{"partners",
                      "partners",
                      "partnersgroups",
                      "tirPartners",
                      TMatch::kGuid,
                      false,
                      TStamp::kPartners,
                      Join(Names<R>(false), {{{"type", "fState", &R::fState, TR::kInt},
                                              {nullptr, "fGroupID", &R::fGroupID, TR::kInt64},
                                              {"card", "fCardNumber", &R::fCardNumber, TR::kText}},
                                             Contacts<R>(),
                                             {{"date1", "fDate", &R::fDate, TR::kDate},
                                              {"date2", "fDate1", &R::fDate1, TR::kDate},
                                              {"date3", "fDate2", &R::fDate2, TR::kDate},
                                              {"edrpou", "fEDRPOU", &R::fEDRPOU, TR::kText},
                                              {"inn", "fINN", &R::fINN, TR::kText}}}),
                      {Group<R>("tirPartnersGroups")}};
  TCatalogWriter(*this).Run(c);
  AddOrUpdateContractsPartners();
}

void TDMJsonLoader::AddOrUpdateContractsPartners() {
  using R = TContractPartner;
  const TCatalog<R> c{
      "contracts",
      "contracts",
      nullptr,
      "tirContracts",
      TMatch::kGuid,
      false,
      TStamp::kPartners,
      {{"name", "fName", &R::fName, TR::kText},
       {nullptr, "fPartnerId", &R::fPartnerId, TR::kInt64},
       {nullptr, "fEntitiId", &R::fEntitiId, TR::kInt64},
       {nullptr, "fAccountType", &R::fAccountType, TR::kInt},
       {"discount", "fDiscount", &R::fDiscount, TR::kExt},
       {nullptr, "fCurrId", &R::fCurrId, TR::kInt64},
       {"pricetype", "fPriceId", &R::fPriceId, TR::kInt},
       {"pricetype2", "fPriceId2", &R::fPriceId2, TR::kInt},
       {"default", "fDefault", &R::fDefault, TR::kInt},
       {"type", "fType", &R::fType, TR::kInt}},
      {{"entity", "tirEntities", &R::fEntitiIdGUID, &R::fEntitiId, "fEntitiId", "f2GG"},
       {"curr", "tirCurrencies", &R::fCurrIdGUID, &R::fCurrId, "fCurrId", "f3GG"},
       {"partner", "tirPartners", &R::fPartnerIdGUID, &R::fPartnerId, "fPartnerId", "f4GG"}}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdateMoneyAccounts() {
  using R = TMoneyAccInfo;
  const TCatalog<R> c{
      "moneyaccounts",
      "moneyaccounts",
      nullptr,
      "tirCashAccounts",
      TMatch::kGuid,
      false,
      TStamp::kMainSPR,
      {{"name", "fName", &R::fName, TR::kText},
       {"desc", "fDesc", &R::fDesc, TR::kText},
       {"info", "fAccInfo", &R::fAccInfo, TR::kText},
       {"type", "fType", &R::fType, TR::kInt},
       {"default", "fDefault", &R::fDefault, TR::kInt},
       {nullptr, "fEntitiId", &R::fEntitiId, TR::kInt64},
       {nullptr, "fCurrId", &R::fCurrId, TR::kInt64}},
      {{"entity", "tirEntities", &R::fEntitiIdGUID, &R::fEntitiId, "fEntitiId", "f2GG"},
       {"curr", "tirCurrencies", &R::fCurrIdGUID, &R::fCurrId, "fCurrId", "f3GG"}}};
  TCatalogWriter(*this).Run(c);
}

void TDMJsonLoader::AddOrUpdateDisconts() {
  using R = TSalesDiscontRules;
  const TCatalog<R> c{"salesrules",
                      "salesrules",
                      nullptr,
                      "tirDiscount",
                      TMatch::kGuid,
                      false,
                      TStamp::kNone,
                      {{"name", "fName", &R::fName, TR::kText},
                       {"namef", "fNameF", &R::fNameF, TR::kText},
                       {"salesplist", "fSalesPList", &R::fSalesPList, TR::kText},
                       {"rule", "fPStr", &R::fPStr, TR::kText},
                       {"pos", "fPos", &R::fPos, TR::kInt},
                       {"active", "fActiv", &R::fActiv, TR::kInt},
                       {"version", "fVer", &R::fVer, TR::kInt}},
                      {}};
  TCatalogWriter(*this).Run(c);
}

}  // namespace tir::import
