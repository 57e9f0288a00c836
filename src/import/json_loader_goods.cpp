// Goods import: goods rows with their prices, recipes, balance rows for new goods, placeholder
// goods for documents, and the goods-changed counter.
#include "db/date_time.h"
#include "db/sqlite_connection.h"
#include "import/json_loader_catalog_rows.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::import {
namespace {

using TR = TRead;
using R = TGooodInfo;

const TCatalog<R>& GoodsCatalog() {
  static const TCatalog<R> c{
      "goods",
      "goods",
      nullptr,
      "tirGoods",
      TMatch::kGuid,
      false,
      TStamp::kGoods,
      {{"code", "fCode", &R::fCode, TR::kText},
       {"name", "fName", &R::fName, TR::kText},
       {"namefull", "fNameFull", &R::fNameFull, TR::kText},
       {"desc", "fDesc", &R::fDesc, TR::kText},
       {"barcode", "fBarCode", &R::fBarCode, TR::kText},
       {"barcodelist", "fBarCodeList", &R::fBarCodeList, TR::kText},
       {"barcode2", "fBarCode2", &R::fBarCode2, TR::kText},
       {"barcode3", "fBarCode3", &R::fBarCode3, TR::kText},
       {"unit1", "fUnitType", &R::fUnitType, TR::kText},
       {"unit2", "fUnitType2", &R::fUnitType2, TR::kText},
       {"unit3", "fUnitType3", &R::fUnitType3, TR::kText},
       {"coeff2", "fCoeff2", &R::fCoeff2, TR::kExt},
       {"coeff3", "fCoeff3", &R::fCoeff3, TR::kExt},
       {"type", "fType", &R::fType, TR::kInt},
       {"vat", "fVATGroup", &R::fVATGroup, TR::kInt},
       {"visible", "fVisible", &R::fVisible, TR::kInt},
       {nullptr, "fGroupID", &R::fGroupID, TR::kInt64},
       {"pin", "fPriceIn", &R::fPIn, TR::kExt},
       {"p1", "fPriceOut1", &R::fP1, TR::kExt},
       {"p2", "fPriceOut2", &R::fP2, TR::kExt},
       {"p3", "fPriceOut3", &R::fP3, TR::kExt},
       {"p4", "fPriceOut4", &R::fP4, TR::kExt},
       {"p5", "fPriceOut5", &R::fP5, TR::kExt},
       {"p6", "fPriceOut6", &R::fP6, TR::kExt},
       {"p7", "fPriceOut7", &R::fP7, TR::kExt},
       {"p8", "fPriceOut8", &R::fP8, TR::kExt},
       {"p9", "fPriceOut9", &R::fP9, TR::kExt},
       {"p10", "fPriceOut10", &R::fP10, TR::kExt},
       {"del", "fDeleted", &R::fDeleted, TR::kInt},
       {"min", "fMinCount", &R::fMinCount, TR::kExt},
       {"nom", "fNomCount", &R::fNomCount, TR::kExt},
       {nullptr, "fMainPartner", &R::fMainPartner, TR::kInt64},
       {"plu", "fSCPLU", &R::fSCPLU, TR::kInt},
       {"scs", "fSCSrokG", &R::fSCSrokG, TR::kInt},
       {"tare", "fSCTare", &R::fSCTare, TR::kExt},
       {"piece", "fSCPiece", &R::fSCPiece, TR::kInt},
       {nullptr, "fHavePh", &R::fHavePh, TR::kInt},
       {"outw", "fWeightOut", &R::fWeightOut, TR::kExt},
       {"lost", "fProcLost", &R::fProcLost, TR::kExt},
       {"dopprop1", "fpdop1", &R::fpdop1, TR::kText},
       {"dopprop2", "fpdop2", &R::fpdop2, TR::kText},
       {"dopprop3", "fpdop3", &R::fpdop3, TR::kText},
       {"dopprop4", "fpdop4", &R::fpdop4, TR::kText},
       {"dopprop5", "fpdop5", &R::fpdop5, TR::kText},
       {"divlist", "fDivList", &R::fDivList, TR::kText},
       {"uktzed", nullptr, &R::fUKTZED, TR::kText},
       {nullptr, "fUKTZED", &R::fUKTZED_ID, TR::kInt64},
       {nullptr, "fRcCountD", &R::fRcCountD, TR::kInt},
       {"autoprod", "fAvtoProd", &R::fAvtoProd, TR::kInt},
       {"isexstamp", "fExStamp", &R::fExStamp, TR::kInt},
       {"onlyishop", "fOShop", &R::fOShop, TR::kInt},
       {"import", "fImport", &R::fImport, TR::kInt},
       {"color", "fColor", &R::fColor, TR::kInt},
       {"markup", "fMarkUp", &R::fMarkUp, TR::kExt},
       {"version", nullptr, &R::fRV, TR::kInt64}},
      {{"group", "tirGoodsGroups", &R::fGroupGUID, &R::fGroupID, "fGroupID", "fGG"},
       {"vendor", "tirPartners", &R::fMainPartnerGUID, &R::fMainPartner, "fMainPartner", "fPar"},
       {"uktzedguid", "tirUktzed", &R::fUKTZED_GUID, &R::fUKTZED_ID, "fUKTZED", "fUkt"}}};
  return c;
}

std::vector<TPriceListOneGood> ReadPrices(const JValue& array, const TWhere& w) {
  std::vector<TPriceListOneGood> prices;
  ForEachObject(array, "prices", [&](const JValue& obj, std::size_t) {
    TPriceListOneGood p;
    for (const auto& m : obj.GetObject()) {
      if (m.value.IsNull()) continue;
      const TWhere at{w.array, w.index, KeyOf(m)};
      if (at.key == "id")
        p.id = ReadInt(m.value, at);
      else if (at.key == "p")
        p.p = ReadExt(m.value, at);
    }
    if (p.id != 0) prices.push_back(p);
    return true;
  });
  return prices;
}

constexpr const char* kFindGood =
    "SELECT t1.*, t2.[fGUID1] AS fGGGUID1,t2.[fGUID2] AS fGGGUID2,  t3.[fGUID1] AS "
    "fParGUID1,t3.[fGUID2] AS fParGUID2   FROM tirGoods t1  LEFT JOIN tirGoodsGroups t2 ON t2.fId "
    "= "
    "t1.fGroupID  LEFT JOIN tirPartners t3 ON t3.fId = t1.fMainPartner  WHERE "
    "(t1.fGUID1=:pG1)AND(t1.fGUID2=:pG2);";

// The components of one recipe whose goods are in the base, in text order.
std::vector<TRecipeComponent> ReadComponents(TDMJsonLoader& L, const JValue& pArray,
                                             const TWhere& pWhere) {
  std::vector<TRecipeComponent> components;
  ForEachObject(pArray, "components", [&](const JValue& comp, std::size_t) {
    TJSGIUD compGuid;
    TRecipeComponent c;
    for (const auto& cm : comp.GetObject()) {
      if (cm.value.IsNull()) continue;
      const TWhere at{pWhere.array, pWhere.index, KeyOf(cm)};
      if (at.key == "guid")
        ReadGuid(cm.value, at, compGuid, L.mReport);
      else if (at.key == "qtty")
        c.count = ReadExt(cm.value, at);
      else if (at.key == "qttynetto")
        c.countOut = ReadExt(cm.value, at);
    }
    c.compId = L.FindIdByGUID("tirGoods", compGuid);
    if (c.compId != 0)
      components.push_back(c);
    else if (!compGuid.isEmpty())
      L.mReport.Missing(TLoadNoteKind::kComponentNotFound,
                        {pWhere.Text(), gGetGUIDSTR(compGuid.fGUID1, compGuid.fGUID2)});
    return true;
  });
  return components;
}

}  // namespace

std::int64_t TDMJsonLoader::FindGoodIdByGUID(std::int64_t pGUID1, std::int64_t pGUID2,
                                             TGooodInfo& pGood) {
  pGood.Clear();
  db::Query& q = Cached(kFindGood);
  q.ParamByName("pG1").SetInt64(pGUID1);
  q.ParamByName("pG2").SetInt64(pGUID2);
  q.Open();
  if (q.Eof()) return 0;
  return TCatalogWriter(*this).FillStored(GoodsCatalog(), q, pGood);
}

void TDMJsonLoader::AddToStoreNOW_ForGood(std::int64_t pGoodId) {
  db::Query& q = Cached(
      "INSERT INTO [tirAStoreNow] ([fEntId], [fStoreId], [fGoodId], [fQtty], [fSum]) SELECT "
      "tE.fId, "
      "tS.fId, :pGoodId, 0, 0 FROM tirStores tS CROSS JOIN tirEntities tE WHERE {IF MSSQL}NOT "
      "EXISTS (SELECT "
      "1 FROM tirAStoreNow tN WHERE tN.fEntId = tE.fId AND tN.fStoreId = tS.fId AND tN.fGoodId = "
      ":pGoodId){fi}{IF SQLite}true ON CONFLICT (fEntId, fStoreId, fGoodId) DO NOTHING{fi};");
  q.ParamByName("pGoodId").SetInt64(pGoodId);
  q.ExecSql();
}

void TDMJsonLoader::WriteGoodsPrices(std::int64_t pGoodId, std::vector<TPriceListOneGood> pPrices,
                                     bool pNew) {
  if (pPrices.empty() || pGoodId == 0) return;
  if (!pNew) {
    // Prices equal to the stored ones would be written unchanged: they are left out.
    db::Query& s = Cached("SELECT fPriceId, fPrice FROM tirPrices WHERE fGoodId=:pGoodId;");
    s.ParamByName("pGoodId").SetInt64(pGoodId);
    s.Open();
    for (; !s.Eof(); s.Next()) {
      const std::int32_t id = s.FieldByIndex(0).AsInt32();
      const long double price = s.FieldByIndex(1).AsExtended();
      std::erase_if(pPrices, [&](const TPriceListOneGood& p) {
        return p.id == id && !s.FieldByIndex(1).IsNull() &&
               static_cast<double>(p.p) == static_cast<double>(price);
      });
    }
    s.Close();
    if (pPrices.empty()) return;
  }
  // On SQLite one upsert per price: the row goes in, or a changed price is updated, with one
  // look-up of the unique key instead of three.
  db::Query& q = Cached(
      "{IF MSSQL}IF EXISTS (SELECT fPrice FROM tirPrices WHERE fPriceId=:pPriceId AND "
      "fGoodId=:pGoodId)     UPDATE tirPrices SET fPrice=:pPrice     WHERE fPriceId=:pPriceId AND "
      "fGoodId=:pGoodId ELSE    INSERT INTO tirPrices (fPriceId,fGoodId,fPrice)     VALUES "
      "(:pPriceId,:pGoodId,:pPrice);{fi}{IF SQLite}INSERT INTO tirPrices (fPriceId,fGoodId,fPrice) "
      "VALUES "
      "(:pPriceId,:pGoodId,:pPrice) ON CONFLICT (fGoodId,fPriceId) DO UPDATE SET "
      "fPrice=excluded.fPrice WHERE fPrice IS NOT excluded.fPrice;{fi}");
  q.SetArraySize(pPrices.size());
  db::Param& id = q.ParamByName("pPriceId");
  db::Param& good = q.ParamByName("pGoodId");
  db::Param& price = q.ParamByName("pPrice");
  for (std::size_t i = 0; i < pPrices.size(); ++i) {
    id.SetAt(i, db::Value::Int32(pPrices[i].id));
    good.SetAt(i, db::Value::Int64(pGoodId));
    price.SetAt(i, db::Value::Extended(pPrices[i].p));
  }
  q.ExecuteArray();
}

bool TDMJsonLoader::ReadGoodsObject(const void* pObject, std::size_t pIndex) {
  const JValue& obj = *static_cast<const JValue*>(pObject);
  const TCatalog<R>& c = GoodsCatalog();
  TCatalogWriter w(*this);
  TLoadKindCounts& report = mReport.Kind("goods");
  TGooodInfo in, stored;
  std::vector<TPriceListOneGood> prices;
  for (const auto& m : obj.GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere at{"goods", pIndex, KeyOf(m)};
    if (TCatalogWriter::ReadMember(c, m, at, in, mReport)) continue;
    if (at.key == "prices") prices = ReadPrices(m.value, at);
  }
  if (in.fGUID.isEmpty()) {
    SkipRow(mReport, report, TWhere{"goods", pIndex, {}});
    return false;
  }
  w.Resolve(c, in);
  const std::pair<std::int64_t, std::int64_t> guid{in.fGUID.fGUID1, in.fGUID.fGUID2};
  // A GUID the base does not hold needs no look-up.
  std::int64_t id = mGoodsGuids && !mGoodsGuids->contains(guid)
                        ? 0
                        : FindGoodIdByGUID(guid.first, guid.second, stored);
  // The export writes a colour the row does not have as -1.
  if (id != 0 && !stored.fColor.isSet && in.fColor.isSet && in.fColor.rawValue == -1)
    stored.fColor.uSetValue(-1);
  if (in.fRV.isSet && in.fRV.rawValue > mMaxGoodRowID) mMaxGoodRowID = in.fRV.rawValue;
  if (id != 0 && stored.IsIdent_TestOnlySet(in)) {
    ++report.identical;
    WriteGoodsPrices(id, std::move(prices), false);
    return true;
  }
  w.Write(c, in, id);
  const bool inserted = id == 0;
  if (inserted) {
    // On SQLite the insert's row id is the new row's; elsewhere it is found again by GUID.
    const auto* sqlite = dynamic_cast<const db::SqliteConnection*>(&Conn());
    id = sqlite ? sqlite->LastInsertRowId() : FindIdByGUID("tirGoods", in.fGUID);
    if (mGoodsGuids) mGoodsGuids->insert(guid);
    AddToStoreNOW_ForGood(id);
    ++report.inserted;
  } else {
    ++report.updated;
  }
  WriteGoodsPrices(id, std::move(prices), inserted);
  mGoodsWritten = true;
  return true;
}

void TDMJsonLoader::AddOrUpdateGoods() {
  if (ifExitNOW()) return;
  AddOrUpdatePricesNames();
  AddOrUpdateUKTZED();
  CreateTreeGroups("goodsgroups", "tirGoodsGroups");
  mMaxGoodRowID = -1;
  mGoodsWritten = false;
  bool anyRow = false;
  std::size_t count = 0;
  mGoodsGuids = LoadGuidSet("tirGoods", "goods");
  for (const TTopValue* goods : FindAllTop(JSONResp.get(), "goods")) {
    ForEachObject(*JSONResp, *goods, "goods", [&](const JValue& obj, std::size_t index) {
      anyRow = ReadGoodsObject(&obj, index) || anyRow;
      if (++count % 1000 == 0) {
        if (mGoodsProgress) mGoodsProgress(count);
        // The pause lets other workstations in between the goods; inside a transaction it would
        // only hold the base longer, so a load in one transaction goes on at once.
        if (mGoodsPauseMs > 0 && !Conn().InTransaction()) TirSleep(mGoodsPauseMs);
      }
      return !ifExitNOW();
    });
  }
  mGoodsGuids.reset();
  AddOrUpdateRecipes();
  if (ifExitNOW()) return;
  if (mGoodsWritten) gSetIfMustGoodsUpdate();
  if (anyRow) {
    mLastNumGoodsSnapshot = mLResp.lastGoodsSnapshot;
    mLastUpdateGoodsTime = db::NowDateTime();
  }
}

std::unique_ptr<TDMJsonLoader::TGuidSet> TDMJsonLoader::LoadGuidSet(const char* pTable,
                                                                    const char* pTop) {
  // Only inside the load's transaction does the set stay true while the rows are written.
  if (!Conn().InTransaction()) return nullptr;
  std::size_t sent = 0;
  for (const TTopValue* top : FindAllTop(JSONResp.get(), pTop)) sent += top->elements.size();
  // Reading every GUID pays off when the text brings many rows for the size of the table.
  db::Query& size = Cached(std::string("SELECT MAX(fId) FROM ") + pTable + ";");
  size.Open();
  const std::int64_t rows = size.FieldByIndex(0).IsNull() ? 0 : size.FieldByIndex(0).AsInt64();
  size.Close();
  if (sent < 1000 || static_cast<std::int64_t>(sent) * 8 < rows) return nullptr;
  auto guids = std::make_unique<TGuidSet>();
  db::Query& q = Cached(std::string("SELECT fGUID1, fGUID2 FROM ") + pTable + ";");
  for (q.Open(); !q.Eof(); q.Next()) {
    if (q.FieldByIndex(0).IsNull() || q.FieldByIndex(1).IsNull()) continue;
    guids->insert({q.FieldByIndex(0).AsInt64(), q.FieldByIndex(1).AsInt64()});
  }
  q.Close();
  return guids;
}

void TDMJsonLoader::AddOrUpdateRecipes() {
  for (const TTopValue* recipes : FindAllTop(JSONResp.get(), "recipes")) {
    TLoadKindCounts& report = mReport.Kind("recipes");
    ForEachObject(*JSONResp, *recipes, "recipes", [&](const JValue& obj, std::size_t index) {
      TJSGIUD guid;
      for (const auto& m : obj.GetObject()) {
        if (m.value.IsNull()) continue;
        const TWhere at{"recipes", index, KeyOf(m)};
        if (at.key == "guid") {
          ReadGuid(m.value, at, guid, mReport);
          continue;
        }
        if (at.key != "components") continue;
        if (guid.isEmpty()) {
          SkipRow(mReport, report, TWhere{"recipes", index, {}});
          continue;
        }
        const std::int64_t goodId = FindIdByGUID("tirGoods", guid);
        if (goodId == 0) {
          ++report.refused;
          mReport.Missing(TLoadNoteKind::kRecipeGoodsNotFound,
                          {at.Text(), gGetGUIDSTR(guid.fGUID1, guid.fGUID2)});
          continue;
        }
        WriteRecipe(goodId, ReadComponents(*this, m.value, at), report);
        mLastUpdateGoodsTime = db::NowDateTime();
      }
      return !ifExitNOW();
    });
  }
}

void TDMJsonLoader::WriteRecipe(std::int64_t pGoodId,
                                const std::vector<TRecipeComponent>& pComponents,
                                TLoadKindCounts& pReport) {
  // A recipe equal to the stored one, component by component in order, is left as it is.
  db::Query& s = Cached(
      "SELECT fCompId, fCount, fCountOut FROM tirRecipes WHERE fGoodId=:pGoodId ORDER BY fId;");
  s.ParamByName("pGoodId").SetInt64(pGoodId);
  s.Open();
  std::size_t n = 0;
  bool same = true;
  for (; !s.Eof() && same; s.Next(), ++n) {
    same = n < pComponents.size() && s.FieldByIndex(0).AsInt64() == pComponents[n].compId &&
           IsFloatIdent(s.FieldByIndex(1).AsExtended(), pComponents[n].count) &&
           IsFloatIdent(s.FieldByIndex(2).AsExtended(), pComponents[n].countOut);
  }
  same = same && s.Eof() && n == pComponents.size();
  s.Close();
  if (same) {
    ++pReport.identical;
    return;
  }
  db::Query& del = OneOff(
      "DELETE {IF SQLite}FROM {fi}tirRecipes WHERE fGoodId = " + std::to_string(pGoodId) + ";");
  del.ExecSql();
  const bool replaced = del.RowsAffected() != 0;
  db::Query& ins = Cached(
      "INSERT INTO tirRecipes (fGoodId, fCompId, fCount, fCountOut   )  VALUES (:pGoodId, "
      ":pCompId, :pCount, :pCountOut  );");
  for (const TRecipeComponent& c : pComponents) {
    ins.Close();
    ins.ParamByName("pGoodId").SetInt64(pGoodId);
    ins.ParamByName("pCompId").SetInt64(c.compId);
    ins.ParamByName("pCount").SetExtended(c.count);
    ins.ParamByName("pCountOut").SetExtended(c.countOut);
    ins.ExecSql();
  }
  // A dish that had no recipe yet counts as inserted, one whose recipe was replaced as updated.
  ++(replaced ? pReport.updated : pReport.inserted);
}

std::int64_t TDMJsonLoader::GetIdForUNKNOWN_GOOD_GUID(const TJSGIUD& pGUID) {
  const std::int64_t found = FindIdByGUID("tirGoods", pGUID);
  if (found != 0 || pGUID.isEmpty()) return found;
  db::Query& q = Cached(
      "INSERT INTO tirGoods([fCode],[fName],[fNameFull],[fDesc],[fBarCode],[fBarCodeList],"
      "[fBarCode2],[fBarCode3],[fUnitType],[fUnitType2],[fUnitType3],[fCoeff2],[fCoeff3],[fType],"
      "[fVATGroup],[fColor],[fVisible],[fGroupID],[fPriceIn],[fPriceOut1],[fPriceOut2],[fPriceOut3]"
      ","
      "[fPriceOut4],[fPriceOut5],[fPriceOut6],[fPriceOut7],[fPriceOut8],[fPriceOut9],[fPriceOut10],"
      "[fDeleted],[fMinCount],[fNomCount],[fMainPartner],[fSCPLU],[fSCSrokG],[fSCTare],[fSCPiece],"
      "[fHavePh],[fWeightOut],[fProcLost],[fpdop1],[fpdop2],[fpdop3],[fpdop4],[fpdop5],[fDivList],"
      "[fUKTZED],[fRcCountD],[fAvtoProd],[fExStamp],[fOShop],[fImport],[fMarkUp],[fGUID1],[fGUID2])"
      " "
      "VALUES "
      "('',:pName,:pName,'','','','','','','','',1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"
      "0,0,0,0,0,0,0,'','','','','','',0,0,0,0,0,0,0,:pGUID1,:pGUID2);"
      "SELECT SCOPE_IDENTITY() as LastID;");
  q.ParamByName("pName").SetText("New unknown good " + gGetGUIDSTR(pGUID.fGUID1, pGUID.fGUID2));
  q.ParamByName("pGUID1").SetInt64(pGUID.fGUID1);
  q.ParamByName("pGUID2").SetInt64(pGUID.fGUID2);
  q.Open();
  q.Close();
  const std::int64_t id = FindIdByGUID("tirGoods", pGUID);
  AddToStoreNOW_ForGood(id);
  mReport.Kind("goods").inserted++;
  return id;
}

bool TDMJsonLoader::gSetIfMustGoodsUpdate() {
  return Cached("UPDATE tirSettings SET fPI=(fPI+1) WHERE ([fMId]=0)AND([fPType]=-30);").ExecSql() >
         0;
}

bool TDMJsonLoader::gGetIfMustGoodsUpdate() {
  db::Query& q = Cached("SELECT fPI FROM tirSettings WHERE ([fMId]=0)AND([fPType]=-30);");
  q.Open();
  const std::size_t rows = q.RecordCount();
  const std::int64_t value = rows == 1 ? q.FieldByIndex(0).AsInt64() : 0;
  q.Close();
  if (rows != 1) {
    const std::string del = Conn().Kind() == db::DbKind::kMSSQL ? "DELETE " : "DELETE FROM ";
    Cached(del +
           "tirSettings WHERE ([fMId]=0)AND([fPType]=-30);"
           "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fpStr)  VALUES "
           "(0, 0, 0 ,-30, 0, 0, '');")
        .ExecSql();
    // The last-seen value stays: the fresh row's 0 differs from the -1 of a process that has
    // seen none, so the next call reports a change once more.
    return true;
  }
  if (value == gLastGoodsUpdateCounter) return false;
  gLastGoodsUpdateCounter = value;
  return true;
}

}  // namespace tir::import
