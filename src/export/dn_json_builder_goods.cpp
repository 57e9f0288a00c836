// Goods sections of the main export builder: goods (full and reduced forms, from the cashier
// snapshot cache when it holds the current snapshot), quantities, recipes, price lists,
// classification codes and the one-good-with-photo answer of price checkers.
#include <cstdint>
#include <string>

#include "db/date_time.h"
#include "db/sql_text.h"
#include "export/dm_builder_casher.h"
#include "export/dn_catalog.h"
#include "export/dn_json_builder.h"
#include "export/query_columns.h"
#include "export/section_row.h"
#include "export/tir_json_builder.h"
#include "settings/base64.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::exporting {

namespace {

// Goods columns of the full goods query, each also a term of its GROUP BY.
std::string GoodsColumnList() {
  return GoodsTableColumns(true, "") +
         ",tg.[fDivList] ,tg.[fImport] ,tg.[fAvtoProd] ,tg.[fExStamp] ,tg.[fOShop] ,tg.[fMarkUp] "
         ",tg.[fGUID1] ,tg.[fGUID2] ,t2.[fGUID1] ,t2.[fGUID2] ,tp.[fGUID1] ,tp.[fGUID2] "
         ",tuktzed.[fZEDCode] ,tuktzed.[fGUID1] ,tuktzed.[fGUID2] ,tvat.[fGUID1] ,tvat.[fGUID2] ";
}

// The row version as a 64-bit integer (SQLite keeps it as one already).
constexpr const char* kGoodsRowVersion =
    "{IF MSSQL}CAST(CAST(tg.[fRV] AS BINARY(8)) AS BIGINT){fi}{IF SQLite}tg.[fRV]{fi}";

void BindGoodsFilter(db::Query& q, std::int64_t pfDocId, double dateStore1, std::int64_t pRV) {
  if (q.HasParam("pDocId")) q.ParamByName("pDocId").SetInt64(pfDocId);
  if (q.HasParam("pDateStore1")) q.ParamByName("pDateStore1").SetDateTime(dateStore1);
  if (q.HasParam("pRV")) q.ParamByName("pRV").SetInt64(pRV);
}

}  // namespace

std::string TDNJSonBuilder::GoodsFilter(std::int64_t pfDocId, const std::string& pGoodsGroupIds,
                                        std::int32_t pLastPerDay, bool ifOnlyInetMagaz) const {
  std::string filter = " WHERE (1=1) ";
  if (pfDocId != 0) {
    filter += std::string(" AND EXISTS ( ") + "   SELECT 1 " + "   FROM tirDocGoods dg " +
              "   WHERE dg.fDocId = :pDocId " + "     AND dg.fGoodId = tg.fId " + " ) ";
  }
  const bool main = MainForms();
  if (pLastPerDay > 0 && main) {
    filter += std::string(" AND EXISTS ( ") + "   SELECT 1 " + "   FROM tirAStore ast " +
              "   WHERE ast.fDateTime >= :pDateStore1 " + "     AND ast.fGoodId = tg.fId " + " ) ";
  } else if (pLastPerDay > 0) {
    filter +=
        " AND (tg.fId in (SELECT DISTINCT fGoodId FROM tirAStore WHERE fDateTime>=:pDateStore1))";
  }
  if (!pGoodsGroupIds.empty()) filter += " AND (tg.fGroupID IN (" + pGoodsGroupIds + ")) ";
  if (ifOnlyInetMagaz) filter += main ? " AND (tg.fOShop <> 0) " : " AND (tg.fOShop <> 0 )";
  if (mReqParams.goodsLastRowId > 0) {
    filter += main ? " AND (tg.[fRV] > :pRV) " : " AND (tg.[fRV]>:pRV) ";
  }
  return filter;
}

std::string TDNJSonBuilder::GoodsFullSql(const std::string& filter, bool pIncludeQtty,
                                         const std::string& pEntsIds,
                                         const std::string& pStoresIds) {
  const std::string cols = GoodsColumnList();
  std::string sql = "SELECT " + cols + "," + kGoodsRowVersion +
                    " AS fRV_INT64 ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2"
                    ",tp.[fGUID1] AS tpUID1,tp.[fGUID2] AS tpUID2"
                    ",tuktzed.[fZEDCode] AS uktZEDCode"
                    ",tuktzed.[fGUID1] AS gUktGIUD1,tuktzed.[fGUID2] AS gUktGIUD2"
                    ",tvat.[fGUID1] AS gVatGIUD1,tvat.[fGUID2] AS gVatGIUD2 ";
  if (pIncludeQtty) sql += ",1.0*SUM(tstr.fQtty) AS fStoreC ";
  sql += " FROM tirGoods tg ";
  sql += " LEFT JOIN tirVAT tvat ON tvat.fId = tg.fVATGroup ";
  sql += GoodsJoins(pIncludeQtty, pEntsIds, pStoresIds);
  sql += filter;
  if (pIncludeQtty) sql += " GROUP BY " + cols + "," + kGoodsRowVersion + " ";
  sql += " ORDER BY tg.[fId] ;";
  return sql;
}

void TDNJSonBuilder::AddGoods(TJsonOut& pairs, std::int64_t pNowGoodsSnapShot) {
  if (!StartSection("AddGoods")) return;
  AddAllGroups(pairs, "tirGoodsGroups", "goodsgroups");
  AddAllRecipes(pairs);
  // The cache holds goods in the main forms; a loyalty copy neither reads nor fills it, or each
  // would hand the other goods with the wrong members.
  if (MainForms() && mNowRunMode == kRunDefault && mCMDGoodsAddFull &&
      mReqParams.goodsLastRowId <= 0) {
    const auto cached = gDMBuilderCasher().GetSharedGoods(GetActivGoodsSnapShot());
    if (cached) {
      pairs.RawMembers(*cached);
      pairs.RawMembers(R"("messagedbgtirvalo":{"message":"goods from cache"})");
      return;
    }
  }
  std::string ents, stores;
  if (mNowRunMode == kRunDefault && mTokenInfo.mType == 2) {
    ents = std::to_string(mTokenInfo.m2_mEntIDMapped);
    stores = std::to_string(mTokenInfo.m2_mStoreIDMapped);
  } else if (mNowRunMode == kRunRequest && MainForms()) {
    // A peer of the exchange service sees the stock of its own stores and entities only.
    ents = mTokenInfo.m1_mEntIds;
    stores = mTokenInfo.m1_mStoreIds;
  }
  AddGoodsFull(pairs, 0, true, "", 0, false, ents, stores, pNowGoodsSnapShot);
}

void TDNJSonBuilder::AddGoodsFull(TJsonOut& pairs, std::int64_t pfDocId, bool pIncludeQtty,
                                  const std::string& pGoodsGroupIds, std::int32_t pLastPerDay,
                                  bool ifOnlyInetMagaz, const std::string& pEntsIds,
                                  const std::string& pStoresIds, std::int64_t pNowGoodsSnapShot) {
  if (!StartSection("AddGoodsFull")) return;
  CheckIdList("pGoodsGroupIds", pGoodsGroupIds);
  CheckIdList("pEntsIds", pEntsIds);
  CheckIdList("pStoresIds", pStoresIds);
  if (pIncludeQtty) NoteState("+IncludeQtty");
  const bool full = mCMDGoodsAddFull;
  const bool main = MainForms();
  const bool withPrices = mCMDGoodsAddFull || mCMDGoodsAddSet2AllPrice;
  const bool allPrices = withPrices;
  const bool barcodes = mCMDGoodsAddFull || mCMDGoodsAddBarcodes01;

  const std::string filter = GoodsFilter(pfDocId, pGoodsGroupIds, pLastPerDay, ifOnlyInetMagaz);
  const double dateStore1 = mNow() - pLastPerDay;
  db::Query goods(FDQuery1->GetConnection());
  goods.SetFetchAll(false);
  goods.SetSql(GoodsFullSql(filter, pIncludeQtty, pEntsIds, pStoresIds));
  BindGoodsFilter(goods, pfDocId, dateStore1, mReqParams.goodsLastRowId);
  NoteState("+ST_01");
  goods.Open();
  NoteState("+ST_02");
  db::Query prices(FDQuery1->GetConnection());
  prices.SetFetchAll(false);
  if (withPrices) {
    prices.SetSql("WITH SelGoods AS (   SELECT tg.[fId]   FROM tirGoods tg " + filter + ") " +
                  "SELECT " + "  t1.[fGoodId], " + "  t1.[fPriceId], " + "  t1.[fPrice] " +
                  "FROM tirPrices t1 " + "INNER JOIN SelGoods sg ON sg.fId = t1.fGoodId " +
                  "ORDER BY t1.[fGoodId], t1.[fPriceId];");
    BindGoodsFilter(prices, pfDocId, dateStore1, mReqParams.goodsLastRowId);
    prices.Open();
  }
  NoteState("+ST_03");

  TSectionRow r(goods, pairs);
  const std::size_t cId = r.Col("fId"), cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2"),
                    cCode = r.Col("fCode"), cName = r.Col("fName"), cGr1 = r.Col("grUID1"),
                    cGr2 = r.Col("grUID2"), cUnit = r.Col("fUnitType"), cPin = r.Col("fPriceIn"),
                    cVisible = r.Col("fVisible"), cRv = r.Col("fRV_INT64"),
                    cStore = pIncludeQtty ? r.Col("fStoreC") : 0, cNameFull = r.Col("fNameFull"),
                    cDesc = r.Col("fDesc"), cUnit2 = r.Col("fUnitType2"),
                    cUnit3 = r.Col("fUnitType3"), cCoeff2 = r.Col("fCoeff2"),
                    cCoeff3 = r.Col("fCoeff3"), cType = r.Col("fType"), cVat = r.Col("fVATGroup"),
                    cVat1 = r.Col("gVatGIUD1"), cVat2 = r.Col("gVatGIUD2"),
                    cDel = r.Col("fDeleted"), cMin = r.Col("fMinCount"), cNom = r.Col("fNomCount"),
                    cBar = r.Col("fBarCode"), cBarList = r.Col("fBarCodeList"),
                    cBar2 = r.Col("fBarCode2"), cBar3 = r.Col("fBarCode3"),
                    cImport = r.Col("fImport"), cAutoProd = r.Col("fAvtoProd"),
                    cExStamp = r.Col("fExStamp"), cOShop = r.Col("fOShop"),
                    cMarkUp = r.Col("fMarkUp"), cDivList = r.Col("fDivList"),
                    cUkt = r.Col("uktZEDCode"), cUkt1 = r.Col("gUktGIUD1"),
                    cUkt2 = r.Col("gUktGIUD2"), cColor = r.Col("fColor"), cTp1 = r.Col("tpUID1"),
                    cTp2 = r.Col("tpUID2"), cPlu = r.Col("fSCPLU"), cScs = r.Col("fSCSrokG"),
                    cTare = r.Col("fSCTare"), cPiece = r.Col("fSCPiece"),
                    cOutw = r.Col("fWeightOut"), cLost = r.Col("fProcLost");
  std::size_t cPrice[10], cDop[5];
  static const char* const kPriceKeys[10] = {"p1", "p2", "p3", "p4", "p5",
                                             "p6", "p7", "p8", "p9", "p10"};
  static const char* const kDopKeys[5] = {"dopprop1", "dopprop2", "dopprop3", "dopprop4",
                                          "dopprop5"};
  for (int i = 0; i < 10; ++i) cPrice[i] = r.Col("fPriceOut" + std::to_string(i + 1));
  for (int i = 0; i < 5; ++i) cDop[i] = r.Col("fpdop" + std::to_string(i + 1));

  const std::size_t start = pairs.Text().Size();
  pairs.Key("goods");
  pairs.StartArray();
  std::int64_t written = 0;
  bool stopped = false;
  for (; !goods.Eof(); goods.Next()) {
    const std::int64_t id = r.Int64(cId);
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    pairs.Int64("lid", id);
    r.Str("code", cCode);
    r.Str("name", cName);
    r.Guid("group", cGr1, cGr2);
    r.Str("unit1", cUnit);
    r.Num("pin", cPin);
    r.Num("p1", cPrice[0]);
    r.Int("visible", cVisible);
    r.Int64("version", cRv);
    if (pIncludeQtty) {
      pairs.Num("qtty", static_cast<double>(FloatToCount(r.At(cStore).AsExtended())));
    } else {
      pairs.Int("qtty", 0);
    }
    if (full) {
      r.Str("namefull", cNameFull);
      r.Str("desc", cDesc);
      r.Str("unit2", cUnit2);
      r.Str("unit3", cUnit3);
      r.Num("coeff2", cCoeff2);
      r.Num("coeff3", cCoeff3);
      r.Int("type", cType);
      r.Int("vat", cVat);
      r.Guid("vatguid", cVat1, cVat2);
      r.Int("del", cDel);
      r.Num("min", cMin);
      r.Num("nom", cNom);
    }
    if (barcodes) {
      r.Str("barcode", cBar);
      r.Str("barcodelist", cBarList);
      r.Str("barcode2", cBar2);
      r.Str("barcode3", cBar3);
    }
    if (full) {
      for (int i = 0; i < 5; ++i) r.Str(kDopKeys[i], cDop[i]);
      if (main) {
        r.Int("import", cImport);
        r.Int("autoprod", cAutoProd);
        r.Int("isexstamp", cExStamp);
        r.Int("onlyishop", cOShop);
        r.Num("markup", cMarkUp);
        r.Str("divlist", cDivList);
      }
      r.Str("uktzed", cUkt);
      r.Guid("uktzedguid", cUkt1, cUkt2);
      pairs.Int("color", r.IsNull(cColor) ? -1 : r.At(cColor).AsInt32());
    }
    if (allPrices) {
      for (int i = 1; i < 10; ++i) r.Num(kPriceKeys[i], cPrice[i]);
    }
    if (full) {
      pairs.Str("vendor", r.IsNull(cTp1) ? std::string() : r.Guid(cTp1, cTp2));
      r.Int("plu", cPlu);
      r.Int("scs", cScs);
      r.Num("tare", cTare);
      r.Int("piece", cPiece);
      r.Num("outw", cOutw);
      r.Num("lost", cLost);
    }
    if (withPrices) {
      pairs.Key("prices");
      pairs.StartArray();
      // Both cursors run in goods id order: price rows of goods the goods query did not return
      // (none, as both read the same filter) are stepped over.
      while (!prices.Eof() && prices.FieldByIndex(0).AsInt64() < id) prices.Next();
      for (; !prices.Eof() && prices.FieldByIndex(0).AsInt64() == id; prices.Next()) {
        pairs.StartObject();
        pairs.Int("id", prices.FieldByIndex(1).AsInt32());
        pairs.Num("p", prices.FieldByIndex(2).AsDouble());
        pairs.EndObject();
      }
      pairs.EndArray();
    }
    pairs.EndObject();
    ++written;
    if (RowDone()) {
      stopped = true;
      NoteState("-=ifExitNOW=-");
      break;
    }
  }
  pairs.EndArray();
  goods.Close();
  prices.Close();
  const std::size_t end = pairs.Text().Size();
  NoteState("+ST_07 " + std::to_string(end - start));
  if (main && mNowRunMode == kRunDefault && mCMDGoodsAddFull && mReqParams.goodsLastRowId == 0 &&
      !stopped) {
    // The goods text is shared with the cache, not copied; the separator before it stays out.
    const bool comma = pairs.Text().Substr(start, start + 1) == ",";
    gDMBuilderCasher().SetNewGoods(pNowGoodsSnapShot, written,
                                   pairs.Text().Share(start + (comma ? 1 : 0), end));
  }
}

void TDNJSonBuilder::AddGoodsOnlyQtty(TJsonOut& pairs, const std::string& pEntsIds,
                                      const std::string& pStoresIds) {
  if (!StartSection("AddGoodsOnlyQtty")) return;
  CheckIdList("pEntsIds", pEntsIds);
  CheckIdList("pStoresIds", pStoresIds);
  std::string sql = std::string("SELECT tg.[fId] ,tg.[fGUID1] ,tg.[fGUID2] ") +
                    ",1.0*Sum(tstr.fQtty) as fStoreC " + " FROM tirGoods tg " +
                    " LEFT JOIN tirAStoreNow tstr ON (tg.fId = tstr.fGoodId) ";
  if (!pEntsIds.empty()) sql += " AND (tstr.fEntId IN (" + pEntsIds + ")) ";
  if (!pStoresIds.empty()) sql += " AND (tstr.fStoreId IN (" + pStoresIds + ")) ";
  sql += std::string(" WHERE (1=1) ") + " GROUP BY tg.[fId] ,tg.[fGUID1] ,tg.[fGUID2] " + ";";
  db::Query& q = *FDQuery2;
  q.SetFetchAll(false);
  q.SetSql(sql);
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cId = r.Col("fId"), cG1 = r.Col("fGUID1"), cG2 = r.Col("fGUID2"),
                    cStore = r.Col("fStoreC");
  pairs.Key("goods");
  pairs.StartArray();
  for (; !q.Eof(); q.Next()) {
    pairs.StartObject();
    r.Guid("guid", cG1, cG2);
    r.Int64("lid", cId);
    pairs.Num("qtty", static_cast<double>(FloatToCount(r.At(cStore).AsExtended())));
    pairs.EndObject();
    if (RowDone()) break;
  }
  pairs.EndArray();
  q.Close();
}

void TDNJSonBuilder::AddAllRecipes(TJsonOut& pairs) {
  if (!StartSection("AddAllRecipes")) return;
  db::Query& q = *FDQuery2;
  q.SetFetchAll(false);
  q.SetSql(kRecipesSql);
  q.Open();
  TSectionRow r(q, pairs);
  const std::size_t cGood = r.Col("fGoodId"), cComp = r.Col("fCompId"), cCount = r.Col("fCount"),
                    cCountOut = r.Col("fCountOut"), cOut = r.Col("fQttyOut"),
                    cG11 = r.Col("g1UID1"), cG12 = r.Col("g1UID2"), cG21 = r.Col("g2UID1"),
                    cG22 = r.Col("g2UID2");
  pairs.Key("recipes");
  pairs.StartArray();
  bool open = false;
  std::int64_t previous = 0;
  for (; !q.Eof(); q.Next()) {
    const std::int64_t goodId = r.Int64(cGood);
    if (!open || goodId != previous) {
      if (open) pairs.EndArray(), pairs.EndObject();
      pairs.StartObject();
      pairs.Int64("lid", goodId);
      r.Num("qttyout", cOut);
      r.Guid("guid", cG11, cG12);
      pairs.Key("components");
      pairs.StartArray();
      open = true;
      previous = goodId;
    }
    pairs.StartObject();
    r.Int64("lid", cComp);
    r.Num("qtty", cCount);
    r.Num("qttynetto", cCountOut);
    r.Guid("guid", cG21, cG22);
    pairs.EndObject();
  }
  if (open) pairs.EndArray(), pairs.EndObject();
  pairs.EndArray();
  q.Close();
}

void TDNJSonBuilder::AddPrices(TJsonOut& pairs) {
  try {
    if (ifExitNOW()) return;
    AddPricesNames(pairs);
    ifExitNOW();  // the price rows travel with the goods; this step only tests the exit flag
  } catch (...) {
    // Reported here, as this section's own error; the run still stops, since the writer may be
    // inside an unfinished array.
    ReportError(std::current_exception());
    throw AlreadyReported();
  }
}

void TDNJSonBuilder::AddPricesNames(TJsonOut& pairs) {
  AddAllGroups(pairs, "tirPricesGroups", "pricesgroups");
  AddPricesNamesRAW(pairs);
}

void TDNJSonBuilder::AddPricesNamesRAW(TJsonOut& pairs) {
  static const Catalog kPriceNames = {"AddPricesNamesRAW",
                                      "",
                                      "",
                                      "tirPricesNames",
                                      "tirPricesGroups",
                                      "pricenames",
                                      {{"code", "fCode", 's'},
                                       {"name", "fName", 's'},
                                       {"namefull", "fNamePrint", 's'},
                                       {"currid", "fCurrId", 'i'}}};
  AddCatalog(pairs, kPriceNames);
}

void TDNJSonBuilder::AddUKTZED(TJsonOut& pairs) {
  static const Catalog kUktzed = {
      "AddUKTZED",
      "tirUktzedGroups",
      "uktzedgroups",
      "tirUktzed",
      "tirUktzedGroups",
      "uktzed",
      {{"code", "fZEDCode", 's'}, {"name", "fZEDName", 's'}, {"import", "", '0', true}},
      "fZEDGroupID"};
  AddCatalog(pairs, kUktzed);
}

void TDNJSonBuilder::AddOneGoodAndPhotoByBarCode(TJsonOut& pairs, const std::string& strBarcode) {
  if (!StartSection("AddOneGoodAndPhotoByBarCode")) return;
  if (strBarcode.empty()) return;
  std::string sql =
      "SELECT tG.[fId] ,t3.[fPhoto] AS fPhotoes1 ,tG.[fGUID1] ,tG.[fGUID2] "
      ",tG.[fCode] ,tG.[fName] ,tG.[fNameFull] ,tG.[fUnitType] ";
  for (int i = 1; i <= 10; ++i) sql += ",tG.[fPriceOut" + std::to_string(i) + "] ";
  sql +=
      " FROM tirGoods tG  LEFT JOIN tirGPhotoes t3 ON ((t3.fGoodId=tG.fId)AND(t3.fOrder=1))  "
      "WHERE (1=1)   AND ( (tG.fBarCode=:pS) OR (tG.fBarCode2=:pS) OR (tG.fBarCode3=:pS)  OR "
      "(tG.fBarCodeList LIKE :pBarList) ) ";
  db::Query& q = *FDQuery2;
  q.SetFetchAll(true);
  q.SetSql(sql);
  q.ParamByName("pS").SetText(strBarcode);
  q.ParamByName("pBarList").SetText("%;" + strBarcode + ";%");
  q.Open();
  if (q.Eof()) {
    q.Close();
    return;
  }
  TSectionRow r(q, pairs);
  pairs.Key("good_one");
  pairs.StartObject();
  r.Guid("guid", r.Col("fGUID1"), r.Col("fGUID2"));
  r.Int64("lid", r.Col("fId"));
  r.Str("code", r.Col("fCode"));
  r.Str("name", r.Col("fName"));
  r.Str("unit1", r.Col("fUnitType"));
  r.Str("namefull", r.Col("fNameFull"));
  for (int i = 1; i <= 10; ++i) {
    r.Num("p" + std::to_string(i), r.Col("fPriceOut" + std::to_string(i)));
  }
  const db::Value& photo = r.At(r.Col("fPhotoes1"));
  const bool priceChecker = mTokenInfo.mType == 6;
  if (!photo.IsNull() && (!priceChecker || mTokenInfo.m6_mSendPH != 0)) {
    const std::vector<std::uint8_t> bytes = photo.AsBlob();
    if (bytes.size() > 8) pairs.Str("photo", EncodeBase64(bytes.data() + 8, bytes.size() - 8));
  }
  if (priceChecker) {
    pairs.Str("html_msg_name", mTokenInfo.m6_mNameTAG);
    pairs.Str("html_msg_price", mTokenInfo.m6_mPriceTAG);
    pairs.Int("marginT", mTokenInfo.m6_mPh_Field_T);
    pairs.Int("marginB", mTokenInfo.m6_mPh_Field_B);
    pairs.Int("marginR", mTokenInfo.m6_mPh_Field_R);
    pairs.Int("marginL", mTokenInfo.m6_mPh_Field_L);
  }
  pairs.EndObject();
  q.Close();
}

}  // namespace tir::exporting
