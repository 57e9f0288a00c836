// Goods and recipes sections of the universal JSON builder.
#include <string>

#include "db/db_error.h"
#include "export/query_columns.h"
#include "export/tir_json_builder.h"
#include "frame/ui_services.h"
#include "json/json_array.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::exporting {

std::string TTirJSonBuilder::GoodsSql(std::int64_t pfDocId, bool pIncludeQtty,
                                      const std::string& pGoodsGroupIds, std::int32_t pLastPerDay,
                                      bool ifOnlyInetMagaz, const std::string& pEntsIds,
                                      const std::string& pStoresIds) {
  const std::string tgCols = GoodsTableColumns(false, ",tg.[fGUID1] ,tg.[fGUID2] ");
  const std::string joinedCols =
      "t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2,tp.[fGUID1] AS tpUID1,tp.[fGUID2] AS "
      "tpUID2,tuktzed.[fZEDCode] AS uktZEDCode ";
  std::string sql = "SELECT " + tgCols + "," + joinedCols;
  if (pIncludeQtty) sql += ",1.0*Sum(tstr.fQtty) as fStoreC ";
  sql += " FROM tirGoods tg ";
  sql += GoodsJoins(pIncludeQtty, pEntsIds, pStoresIds);
  sql += " WHERE (1=1) ";
  if (pfDocId != 0) {
    sql += " AND (tg.fId in (SELECT DISTINCT fGoodId FROM tirDocGoods WHERE fDocId = " +
           std::to_string(pfDocId) + "))";
  }
  if (pLastPerDay > 0) {
    sql +=
        " AND (tg.fId in (SELECT DISTINCT fGoodId FROM tirAStore WHERE fDateTime>=:pDateStore1))";
  }
  if (!pGoodsGroupIds.empty()) sql += " AND (tg.fGroupID in (" + pGoodsGroupIds + "))";
  if (ifOnlyInetMagaz) sql += " AND (tg.fOShop <> 0 )";
  if (pIncludeQtty) {
    std::string groupBy = tgCols +
                          ",t2.[fGUID1],t2.[fGUID2],tp.[fGUID1],tp.[fGUID2],"
                          "tuktzed.[fZEDCode] ";
    sql += " GROUP BY " + groupBy;
  }
  sql += ";";

  return sql;
}

void TTirJSonBuilder::AddAllGoods(std::int64_t pfDocId, bool pIncludeQtty,
                                  const std::string& pGoodsGroupIds, std::int32_t pLastPerDay,
                                  bool ifOnlyInetMagaz, const std::string& pEntsIds,
                                  const std::string& pStoresIds) {
  CheckIdList("pGoodsGroupIds", pGoodsGroupIds);
  CheckIdList("pEntsIds", pEntsIds);
  CheckIdList("pStoresIds", pStoresIds);
  AddAllGroups("tirGoodsGroups", "goodsgroups");
  AddAllRecipes();
  json::Array goods = mJson.SetNewArray("goods");

  FDQuery2.SetSql(GoodsSql(pfDocId, pIncludeQtty, pGoodsGroupIds, pLastPerDay, ifOnlyInetMagaz,
                           pEntsIds, pStoresIds));
  if (pLastPerDay > 0) FDQuery2.ParamByName("pDateStore1").SetDateTime(mNow() - pLastPerDay);
  FDQuery2.Open();
  const db::Query& q = FDQuery2;
  const auto col = [&](const char* name) { return ColumnOf(q, name); };
  const std::size_t cG1 = col("fGUID1"), cG2 = col("fGUID2"), cId = col("fId");
  const std::size_t cStore = pIncludeQtty ? col("fStoreC") : 0;
  struct Text {
    const char* key;
    std::size_t col;
  };
  const Text texts1[] = {{"code", col("fCode")},         {"name", col("fName")},
                         {"namefull", col("fNameFull")}, {"desc", col("fDesc")},
                         {"barcode", col("fBarCode")},   {"barcodelist", col("fBarCodeList")},
                         {"barcode2", col("fBarCode2")}, {"barcode3", col("fBarCode3")},
                         {"unit1", col("fUnitType")},    {"unit2", col("fUnitType2")},
                         {"unit3", col("fUnitType3")}};
  const std::size_t cCoeff2 = col("fCoeff2"), cCoeff3 = col("fCoeff3"), cType = col("fType"),
                    cVat = col("fVATGroup"), cVisible = col("fVisible"), cGr1 = col("grUID1"),
                    cGr2 = col("grUID2"), cUkt = col("uktZEDCode"), cPin = col("fPriceIn"),
                    cDel = col("fDeleted"), cMin = col("fMinCount"), cNom = col("fNomCount"),
                    cTp1 = col("tpUID1"), cTp2 = col("tpUID2"), cPlu = col("fSCPLU"),
                    cScs = col("fSCSrokG"), cTare = col("fSCTare"), cPiece = col("fSCPiece"),
                    cOutw = col("fWeightOut"), cLost = col("fProcLost");
  std::size_t cDop[5], cPrice[10];
  std::string dopKey[5], priceKey[10];
  for (int i = 0; i < 5; ++i) {
    cDop[i] = col(("fpdop" + std::to_string(i + 1)).c_str());
    dopKey[i] = "dopprop" + std::to_string(i + 1);
  }
  for (int i = 0; i < 10; ++i) {
    cPrice[i] = col(("fPriceOut" + std::to_string(i + 1)).c_str());
    priceKey[i] = "p" + std::to_string(i + 1);
  }

  const auto num = [&](std::size_t c) { return q.FieldByIndex(c).AsDouble(); };
  const auto text = [&](std::size_t c) { return q.FieldByIndex(c).AsText(); };
  const auto integer = [&](std::size_t c) { return q.FieldByIndex(c).AsInt64(); };
  std::int64_t row = 0;
  for (; !q.Eof(); FDQuery2.Next()) {
    json::Object g = goods.AppendNewObject();
    g.SetString("guid", GuidOf(q, cG1, cG2));
    g.SetInt64("lid", integer(cId));
    g.SetNumber("qtty", pIncludeQtty
                            ? static_cast<double>(FloatToCount(q.FieldByIndex(cStore).AsExtended()))
                            : 0.0);
    for (const Text& t : texts1) g.SetString(t.key, text(t.col));
    g.SetNumber("coeff2", num(cCoeff2));
    g.SetNumber("coeff3", num(cCoeff3));
    g.SetInt64("type", integer(cType));
    g.SetInt64("vat", integer(cVat));
    g.SetInt64("visible", integer(cVisible));
    g.SetString("group", GuidOf(q, cGr1, cGr2));
    for (int i = 0; i < 5; ++i) g.SetString(dopKey[i], text(cDop[i]));
    g.SetString("uktzed", text(cUkt));
    g.SetNumber("pin", num(cPin));
    for (int i = 0; i < 10; ++i) g.SetNumber(priceKey[i], num(cPrice[i]));
    g.SetInt64("del", integer(cDel));
    g.SetNumber("min", num(cMin));
    g.SetNumber("nom", num(cNom));
    g.SetString("vendor", q.FieldByIndex(cTp1).IsNull() ? std::string() : GuidOf(q, cTp1, cTp2));
    g.SetInt64("plu", integer(cPlu));
    g.SetInt64("scs", integer(cScs));
    g.SetNumber("tare", num(cTare));
    g.SetInt64("piece", integer(cPiece));
    g.SetNumber("outw", num(cOutw));
    g.SetNumber("lost", num(cLost));
    if (++row % 30 == 0) frame::ProcessMessages();
  }
  FDQuery2.Close();
}

void TTirJSonBuilder::AddAllRecipes() {
  json::Array recipes = mJson.SetNewArray("recipes");
  FDQuery2.SetSql(kRecipesSql);
  FDQuery2.Open();
  const db::Query& q = FDQuery2;
  const std::size_t cGood = ColumnOf(q, "fGoodId"), cComp = ColumnOf(q, "fCompId"),
                    cCount = ColumnOf(q, "fCount"), cCountOut = ColumnOf(q, "fCountOut"),
                    cOut = ColumnOf(q, "fQttyOut"), cG11 = ColumnOf(q, "g1UID1"),
                    cG12 = ColumnOf(q, "g1UID2"), cG21 = ColumnOf(q, "g2UID1"),
                    cG22 = ColumnOf(q, "g2UID2");
  json::Array components;
  bool first = true;
  std::int64_t previous = 0;
  for (; !q.Eof(); FDQuery2.Next()) {
    const std::int64_t goodId = q.FieldByIndex(cGood).AsInt64();
    if (first || goodId != previous) {
      json::Object recipe = recipes.AppendNewObject();
      recipe.SetString("guid", GuidOf(q, cG11, cG12));
      recipe.SetInt64("lid", goodId);
      recipe.SetNumber("qttyout", q.FieldByIndex(cOut).AsDouble());
      components = recipe.SetNewArray("components");
      previous = goodId;
      first = false;
    }
    json::Object c = components.AppendNewObject();
    c.SetInt64("lid", q.FieldByIndex(cComp).AsInt64());
    c.SetString("guid", GuidOf(q, cG21, cG22));
    c.SetNumber("qtty", q.FieldByIndex(cCount).AsDouble());
    c.SetNumber("qttynetto", q.FieldByIndex(cCountOut).AsDouble());
  }
  FDQuery2.Close();
}

}  // namespace tir::exporting
