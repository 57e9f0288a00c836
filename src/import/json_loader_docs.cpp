// Document import: universal documents (saved, then posted in save order), mobile-agent orders,
// kitchen status changes and the goods lists handed back to the host.
#include <cstdio>

#include "db/date_time.h"
#include "db/query.h"
#include "db/unicode_case.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"
#include "posting/main_provodka.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::import {
namespace {

double WithoutMs(double d) {
  db::CivilTime t = db::DecodeDateTime(d);
  t.millisecond = 0;
  return db::EncodeDateTime(t);
}

void SetDate(TJSExtended& f, const JValue& v, const TWhere& w) {
  double d = 0;
  if (ReadDate(v, w, d)) f.uSetValue(d);
}

// Header members of a universal document; false for a key that is not a header member.
bool ReadDocHeader(TDocInfo& d, const JValue& v, const TWhere& w) {
  const std::string_view k = w.key;
  TJSGIUD* guid = k == "guid"           ? &d.fGUID
                  : k == "partner"      ? &d.fPartnerIdGUID
                  : k == "store"        ? &d.fStoreIdGUID
                  : k == "storeto"      ? &d.fStore2IdGUID
                  : k == "entity"       ? &d.fEntitiIdGUID
                  : k == "user"         ? &d.fUserIdGUID
                  : k == "userreal"     ? &d.fUserRealIdGUID
                  : k == "contract"     ? &d.fContractIdGUID
                  : k == "moneyaccid"   ? &d.fChashAccIdGUID
                  : k == "itemcostid"   ? &d.fItemCostIdGUID
                  : k == "transactguid" ? &d.fTransactGUID
                                        : nullptr;
  if (guid)
    ReadGuid(v, w, *guid);
  else if (k == "tagint")
    d.fTagInt.uSetValue(ReadInt(v, w));
  else if (k == "tagint2")
    d.fTagInt2.uSetValue(ReadInt(v, w));
  else if (k == "tagint3")
    d.fTagInt3.uSetValue(ReadInt(v, w));
  else if (k == "rrodevnum")
    d.fTagChar50.uSetValue(ReadWide(v, w));
  else if (k == "rrocnum") {
    if (v.IsNumber())
      d.fPRROFN.uSetValue(db::Utf8ToUtf16(std::to_string(ReadInt64(v, w))));
    else
      d.fPRROFN.uSetValue(ReadWide(v, w));
  } else if (k == "rrorealdate")
    SetDate(d.fPRRORealDate, v, w);
  else if (k == "rrodateint")
    d.fPRRODate.uSetValue(ReadInt64(v, w));
  else if (k == "num")
    d.fDocNum.uSetValue(ReadInt64(v, w));
  else if (k == "date")
    SetDate(d.fDateTime, v, w);
  else if (k == "datereal")
    SetDate(d.fDateTimeReal, v, w);
  else if (k == "indate")
    SetDate(d.fInputDate, v, w);
  else if (k == "desc")
    d.fDesc.uSetValue(ReadWide(v, w));
  else if (k == "innum")
    d.fInputNum.uSetValue(ReadWide(v, w));
  else if (k == "type")
    d.fDocType.uSetValue(ReadInt(v, w));
  else if (k == "state")
    d.fState.uSetValue(ReadInt(v, w));
  else if (k == "wfrom")
    d.fWFrom.uSetValue(ReadInt(v, w));
  else if (k == "baseid")
    d.fBaseId.uSetValue(ReadInt(v, w));
  else if (k == "salepid")
    d.fSalePId.uSetValue(ReadInt(v, w));
  else if (k == "sum")
    d.fDocSum.uSetValue(ReadExt(v, w));
  else if (k == "transact")
    d.fTransactId.uSetValue(ReadInt64(v, w));
  else if (k == "tree")
    d.fTreeId.uSetValue(ReadWide(v, w));
  else if (k == "treeguid")
    d.fTreeGUID.uSetValue(ReadWide(v, w));
  else if (k == "color")
    d.fColor.uSetValue(ReadInt64(v, w));
  else if (k == "version")
    d.fRV.uSetValue(ReadInt64(v, w));
  else
    return false;
  return true;
}

void ReadDocLine(TDocGoodsInfo& l, const JValue& obj, const TWhere& where) {
  for (const auto& m : obj.GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere w{where.array, where.index, KeyOf(m)};
    const std::string_view k = w.key;
    const JValue& v = m.value;
    if (k == "guid")
      ReadGuid(v, w, l.fGoodGUID);
    else if (k == "parentid")
      ReadGuid(v, w, l.fParentGoodGUID);
    else if (k == "pin")
      l.fPriceIn.uSetValue(ReadExt(v, w));
    else if (k == "pout")
      l.fPriceOut.uSetValue(ReadExt(v, w));
    else if (k == "disc")
      l.fDiscount.uSetValue(ReadExt(v, w));
    else if (k == "sum")
      l.fSum.uSetValue(ReadExt(v, w));
    else if (k == "qtty")
      l.fQtty.uSetValue(ReadExt(v, w));
    else if (k == "vatsum")
      l.fVatSum.uSetValue(ReadExt(v, w));
    else if (k == "curr")
      l.fCurrId.uSetValue(ReadInt(v, w));
    else if (k == "tindoc")
      l.fTypeInDoc.uSetValue(ReadInt(v, w));
    else if (k == "posdoc")
      l.fPosId.uSetValue(ReadInt(v, w));
    else if (k == "tag1")
      l.fStrTag1.uSetValue(ReadWide(v, w));
    else if (k == "desc")
      l.fDesc.uSetValue(ReadWide(v, w));
    else if (k == "exstamp")
      l.fExStamp.uSetValue(ReadWide(v, w));
  }
}

int PostingCommand(int state) {
  switch (state) {
    case 0:
      return 20;
    case 1:
    case 3:
      return 21;
    case 2:
      return 2;
    default:
      return 20;
  }
}

}  // namespace

void TDMJsonLoader::DeleteAllDocGoods(std::int64_t pId) {
  db::Query& q = Cached("DELETE {IF SQLite}FROM {fi}tirDocGoods WHERE fDocId = :pDocId;");
  q.ParamByName("pDocId").SetInt64(pId);
  q.ExecSql();
}

void TDMJsonLoader::ResolveDocRefs(TDocInfo& d) {
  struct Ref {
    TJSGIUD TDocInfo::*guid;
    TJSInt64 TDocInfo::*id;
    const char* table;
    const char* column;
  };
  static const Ref refs[] = {
      {&TDocInfo::fStoreIdGUID, &TDocInfo::fStoreId, "tirStores", "fStoreId"},
      {&TDocInfo::fStore2IdGUID, &TDocInfo::fStore2Id, "tirStores", "fStore2Id"},
      {&TDocInfo::fEntitiIdGUID, &TDocInfo::fEntitiId, "tirEntities", "fEntitiId"},
      {&TDocInfo::fPartnerIdGUID, &TDocInfo::fPartnerId, "tirPartners", "fPartnerId"},
      {&TDocInfo::fUserIdGUID, &TDocInfo::fUserId, "tirUsers", "fUserId"},
      {&TDocInfo::fUserRealIdGUID, &TDocInfo::fUserRealId, "tirUsers", "fUserRealId"},
      {&TDocInfo::fContractIdGUID, &TDocInfo::fContractId, "tirContracts", "fContractId"},
      {&TDocInfo::fChashAccIdGUID, &TDocInfo::fChashAccId, "tirCashAccounts", "fChashAccId"},
      {&TDocInfo::fItemCostIdGUID, &TDocInfo::fItemCostId, "tirItemCost", "fItemCostId"}};
  mTextSTRNeadUpdateAllSPR.clear();
  for (const Ref& r : refs) {
    const TJSGIUD& g = d.*r.guid;
    const std::int64_t id = FindIdByGUID(r.table, g);
    (d.*r.id).uSetValue(id);
    if (id != 0 || g.isEmpty()) continue;
    mReport.Missing("docs " + gGetGUIDSTR(d.fGUID.fGUID1, d.fGUID.fGUID2) + ": " + r.column + " " +
                    gGetGUIDSTR(g.fGUID1, g.fGUID2) + " not in " + r.table);
    if (!mifNeadUpdateAllSPR) mTextSTRNeadUpdateAllSPR = r.column;
    mifNeadUpdateAllSPR = true;
  }
}

bool TDMJsonLoader::ReadUniversalDoc(const void* pObject, std::size_t pIndex,
                                     std::int32_t pSourceBaseId) {
  const JValue& obj = *static_cast<const JValue*>(pObject);
  TLoadKindCounts& report = mReport.Kind("docs");
  TDocInfo d;
  for (const auto& m : obj.GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere w{"docs", pIndex, KeyOf(m)};
    if (w.key != "docgoods") {
      ReadDocHeader(d, m.value, w);
      continue;
    }
    ResolveDocRefs(d);
    if (mifNeadUpdateAllSPR) {
      mTextSTRNeadUpdateAllSPR += "; DocNum=" + std::to_string(d.fDocNum.rawValue) + "; Date: " +
                                  ShortDateTime(static_cast<double>(d.fDateTime.rawValue)) +
                                  "; Type: " + std::to_string(d.fDocType.rawValue);
      ++report.refused;
      return false;
    }
    if (d.fGUID.isEmpty()) {
      ++report.refused;
      return true;
    }
    if (!d.fBaseId.isSet) d.fBaseId.uSetValue(pSourceBaseId);
    const bool existed = FindIdByGUID("tirDocuments", d.fGUID) != 0;
    const std::int64_t id = CreateOrUpdateTirDoc(d);
    ++(existed ? report.updated : report.inserted);
    DeleteAllDocGoods(id);
    if (d.fRV.isSet && d.fRV.rawValue > mMaxDocRowID) mMaxDocRowID = d.fRV.rawValue;
    db::Query& ins = Cached(
        "INSERT INTO tirDocGoods (fDocId, fGoodId, fPriceIn, fPriceOut, fDiscount,  fUnitType, "
        "fCurrId,  fSum, fQtty, fVatSum, fTypeInDoc, fParentGoodId,  fStrTag1, fDesc, fExStamp, "
        "fPosId )  VALUES (:pDocId, :pGoodId, :pPriceIn, :pPriceOut, :pDiscount,  :pUnitType, "
        ":pCurrId,  :pSum, :pQtty, :pVatSum, :pTypeInDoc, :pParentGoodId,  :pStrTag1, :pDesc, "
        ":pExStamp, :pPosId );");
    ForEachObject(m.value, "docgoods", [&](const JValue& line, std::size_t li) {
      TDocGoodsInfo l;
      ReadDocLine(l, line, TWhere{"docgoods", li, {}});
      std::int64_t goodId = FindIdByGUID("tirGoods", l.fGoodGUID);
      if (goodId == 0 && !l.fGoodGUID.isEmpty()) {
        mReport.Missing("docs " + gGetGUIDSTR(d.fGUID.fGUID1, d.fGUID.fGUID2) + ": goods " +
                        gGetGUIDSTR(l.fGoodGUID.fGUID1, l.fGoodGUID.fGUID2) +
                        " not in tirGoods (placeholder created)");
        goodId = GetIdForUNKNOWN_GOOD_GUID(l.fGoodGUID);
      }
      ins.Close();
      ins.ParamByName("pDocId").SetInt64(id);
      ins.ParamByName("pGoodId").SetInt64(goodId);
      ins.ParamByName("pPriceIn").SetExtended(l.fPriceIn.rawValue);
      ins.ParamByName("pPriceOut").SetExtended(l.fPriceOut.rawValue);
      ins.ParamByName("pDiscount").SetExtended(l.fDiscount.rawValue);
      ins.ParamByName("pUnitType").SetInt32(0);
      ins.ParamByName("pCurrId").SetInt32(l.fCurrId.rawValue);
      ins.ParamByName("pSum").SetExtended(l.fSum.rawValue);
      ins.ParamByName("pQtty").SetExtended(l.fQtty.rawValue);
      ins.ParamByName("pVatSum").SetExtended(l.fVatSum.rawValue);
      ins.ParamByName("pTypeInDoc").SetInt32(l.fTypeInDoc.rawValue);
      ins.ParamByName("pParentGoodId").SetInt64(FindIdByGUID("tirGoods", l.fParentGoodGUID));
      ins.ParamByName("pStrTag1").SetWideText(l.fStrTag1.rawValue);
      ins.ParamByName("pDesc").SetWideText(l.fDesc.rawValue);
      ins.ParamByName("pExStamp").SetWideText(l.fExStamp.rawValue);
      ins.ParamByName("pPosId").SetInt32(l.fPosId.rawValue);
      ins.ExecSql();
      return true;
    });
    return true;
  }
  return true;
}

void TDMJsonLoader::SaveUniversalDocs() {
  mMaxDocRowID = -1;
  mCountDocInFile = 0;
  if (ifExitNOW()) return;
  const std::int32_t sourceBase = GetSourceBaseId();
  mDocListIdForProvodka.clear();
  if (const TTopValue* docs = FindTop(JSONResp.get(), "docs")) {
    ForEachObject(*JSONResp, *docs, "docs", [&](const JValue& obj, std::size_t index) {
      ReadUniversalDoc(&obj, index, sourceBase);
      if (mifNeadUpdateAllSPR || ifExitNOW()) return false;
      ++mCountDocInFile;
      return true;
    });
  }
  for (const TProvodkaDocInfo& doc : mDocListIdForProvodka) {
    mProvodka->Provodka(doc.fDocId, doc.fProvodka, false, false);
  }
  mDocListIdForProvodka.clear();
}

std::int64_t TDMJsonLoader::CreateOrUpdateTirDoc(TDocInfo& pDoc) {
  std::int64_t id = FindIdByGUID("tirDocuments", pDoc.fGUID);
  std::int64_t transact = 0;
  bool self = false;
  if (!pDoc.fTransactGUID.isEmpty()) {
    if (pDoc.fTransactGUID.fGUID1 == pDoc.fGUID.fGUID1 &&
        pDoc.fTransactGUID.fGUID2 == pDoc.fGUID.fGUID2) {
      transact = id;
      self = id == 0;
    } else {
      transact = FindIdByGUID("tirDocuments", pDoc.fTransactGUID);
    }
  }
  static const char* const kColumns[][2] = {{"fDocNum", "pDocNum"},
                                            {"fDateTime", "pDateTime"},
                                            {"fRealDateTime", "pDateTimeReal"},
                                            {"fEntityId", "pEntityId"},
                                            {"fPartnerId", "pPartnerId"},
                                            {"fStoreId", "pStoreId"},
                                            {"fStoreId2", "pStoreId2"},
                                            {"fContractId", "pContractId"},
                                            {"fUserId", "pUserId"},
                                            {"fRealUserId", "pRealUserId"},
                                            {"fDesc", "pDesc"},
                                            {"fDocType", "pDocType"},
                                            {"fDocSum", "pDocSum"},
                                            {"fCurrId", "pCurrId"},
                                            {"fInputNum", "pInputNum"},
                                            {"fInputDate", "pInputDate"},
                                            {"fTransactId", "pTransactId"},
                                            {"fItemCost", "pItemCost"},
                                            {"fCashAccountId", "pCashAccountId"},
                                            {"fTagInt", "pTagInt"},
                                            {"fTagInt2", "pTagInt2"},
                                            {"fTagInt3", "pTagInt3"},
                                            {"fTagChar50", "pTagChar50"},
                                            {"fPRRODate", "pPRRODate"},
                                            {"fPRROFN", "pPRROFN"},
                                            {"fPRRORealDate", "pPRRORealDate"},
                                            {"fSyncDate", "pSyncDate"},
                                            {"fColor", "pColor"},
                                            {"fWFrom", "pWFrom"},
                                            {"fState", "pState"},
                                            {"fTreeId", "pTreeId"},
                                            {"fSalePId", "pSalePId"},
                                            {"fBaseId", "pBaseId"}};
  std::string sql;
  if (id != 0) {
    std::string set;
    for (const auto& c : kColumns)
      set += std::string(set.empty() ? "" : ",") + "[" + c[0] + "]=:" + c[1];
    sql = "UPDATE tirDocuments SET  " + set + " WHERE (fId = " + std::to_string(id) + ");";
  } else {
    std::string cols = "[fGUID1],[fGUID2]", vals = ":pGUID1,:pGUID2";
    for (const auto& c : kColumns) {
      cols += std::string(",[") + c[0] + "]";
      vals += std::string(",:") + c[1];
    }
    sql = "INSERT INTO [tirDocuments](" + cols + ")VALUES(" + vals +
          ");SELECT SCOPE_IDENTITY() as LastID;";
  }
  db::Query& q = id != 0 ? OneOff(sql) : Cached(sql);
  const auto p = [&q](const char* name) -> db::Param& { return q.ParamByName(name); };
  if (id == 0) {
    p("pGUID1").SetInt64(pDoc.fGUID.fGUID1);
    p("pGUID2").SetInt64(pDoc.fGUID.fGUID2);
  }
  p("pTreeId").SetText(".");
  p("pDocNum").SetInt64(pDoc.fDocNum.rawValue);
  p("pDateTime").SetDateTime(WithoutMs(static_cast<double>(pDoc.fDateTime.rawValue)));
  p("pInputDate").SetDateTime(WithoutMs(static_cast<double>(pDoc.fInputDate.rawValue)));
  p("pDateTimeReal").SetDateTime(static_cast<double>(pDoc.fDateTimeReal.rawValue));
  p("pEntityId").SetInt32(static_cast<std::int32_t>(pDoc.fEntitiId.rawValue));
  p("pPartnerId").SetInt32(static_cast<std::int32_t>(pDoc.fPartnerId.rawValue));
  p("pStoreId").SetInt32(static_cast<std::int32_t>(pDoc.fStoreId.rawValue));
  p("pStoreId2").SetInt32(static_cast<std::int32_t>(pDoc.fStore2Id.rawValue));
  p("pContractId").SetInt32(static_cast<std::int32_t>(pDoc.fContractId.rawValue));
  p("pUserId").SetInt32(static_cast<std::int32_t>(pDoc.fUserId.rawValue));
  p("pRealUserId").SetInt32(static_cast<std::int32_t>(pDoc.fUserRealId.rawValue));
  p("pDesc").SetWideText(pDoc.fDesc.rawValue);
  p("pDocType").SetInt32(pDoc.fDocType.rawValue);
  p("pDocSum").SetExtended(FloatToPrice(pDoc.fDocSum.rawValue));
  p("pCurrId").SetInt32(1);
  p("pInputNum").SetWideText(pDoc.fInputNum.rawValue);
  p("pTransactId").SetInt64(transact);
  p("pItemCost").SetInt32(static_cast<std::int32_t>(pDoc.fItemCostId.rawValue));
  p("pCashAccountId").SetInt32(static_cast<std::int32_t>(pDoc.fChashAccId.rawValue));
  p("pTagInt").SetInt32(pDoc.fTagInt.rawValue);
  p("pTagInt2").SetInt32(pDoc.fTagInt2.rawValue);
  p("pTagInt3").SetInt32(pDoc.fTagInt3.rawValue);
  p("pTagChar50").SetWideText(pDoc.fTagChar50.rawValue);
  p("pPRRODate").SetInt64(pDoc.fPRRODate.rawValue);
  p("pPRROFN").SetWideText(pDoc.fPRROFN.rawValue);
  if (pDoc.fPRRORealDate.isSet) {
    p("pPRRORealDate").SetDateTime(WithoutMs(static_cast<double>(pDoc.fPRRORealDate.rawValue)));
  } else {
    p("pPRRORealDate").SetNull(db::ValueType::kDateTime);
  }
  p("pSyncDate").SetDateTime(db::NowDateTime());
  if (pDoc.fColor.isSet)
    p("pColor").SetInt64(pDoc.fColor.rawValue);
  else
    p("pColor").SetNull(db::ValueType::kInt32);
  p("pWFrom").SetInt32(pDoc.fWFrom.rawValue);
  p("pState").SetInt32(pDoc.fState.rawValue == 0 ? 3 : pDoc.fState.rawValue);
  p("pSalePId").SetInt32(pDoc.fSalePId.rawValue);
  p("pBaseId").SetInt32(pDoc.fBaseId.rawValue);
  if (id != 0) {
    q.ExecSql();
  } else {
    q.Open();
    id = q.Eof() ? 0 : q.FieldByName("lastID").AsInt64();
    q.Close();
  }
  if (self) {
    db::Query& link = OneOff("UPDATE tirDocuments SET [fTransactId]=:pTransactId WHERE (fId = " +
                             std::to_string(id) + ");");
    link.ParamByName("pTransactId").SetInt64(id);
    link.ExecSql();
  }
  mDocListIdForProvodka.push_back({id, PostingCommand(pDoc.fState.rawValue)});
  return id;
}

std::int64_t TDMJsonLoader::GetOrCreateNewDocMobileAgent(const TDocHeader& pHeader) {
  TJSGIUD guid;
  guid.uSetValue(pHeader.doc_guid);
  std::int64_t id = FindIdByGUID("tirDocuments", guid);
  if (id != 0) {
    db::Query& q = Cached("UPDATE tirDocuments SET [fDocSum]=:pSum   WHERE fId = :pId;");
    q.ParamByName("pSum").SetExtended(FloatToPrice(pHeader.doc_sum));
    q.ParamByName("pId").SetInt64(id);
    q.ExecSql();
    return id;
  }
  const std::int64_t partner = FindIdByGUID("tirPartners", pHeader.doc_partner);
  const std::int64_t entity = mTokenInfo.m2_mEntIDMapped;
  db::Query& q = Cached(
      "INSERT INTO [tirDocuments]([fGUID1],[fGUID2],[fDocNum],[fDateTime],[fRealDateTime],"
      "[fEntityId],[fPartnerId],[fStoreId],[fContractId],[fUserId],[fRealUserId],[fDesc],"
      "[fDocType],[fDocSum],[fCurrId],[fInputNum],[fInputDate],[fItemCost],[fCashAccountId],"
      "[fState],[fColor],[fWFrom],[fTransactId],[fTreeId])VALUES(:pGUID1,:pGUID2,(SELECT "
      "({IF MSSQL}ISNULL{fi}{IF SQLite}IFNULL{fi}(MAX(fDocNum), 0) +1) AS fDocNum FROM "
      "tirDocuments WHERE (fDocType = :pDocType)),"
      ":pDateTime,GETDATE(),:pEntityId,:pPartnerId,:pStoreId,:pContractId,:pUserId,:pUserId,:pDesc,"
      ":pDocType,:pDocSum,1,'',:pDateTime,1,:pCashAccountId,3,14540287,2001,0,'.');"
      "SELECT SCOPE_IDENTITY() as LastID;");
  q.ParamByName("pGUID1").SetInt64(guid.fGUID1);
  q.ParamByName("pGUID2").SetInt64(guid.fGUID2);
  q.ParamByName("pDocType").SetInt32(pHeader.doc_type);
  q.ParamByName("pDateTime").SetDateTime(WithoutMs(db::NowDateTime()));
  q.ParamByName("pEntityId").SetInt64(entity);
  q.ParamByName("pPartnerId").SetInt64(partner);
  q.ParamByName("pStoreId").SetInt64(mTokenInfo.m2_mStoreIDMapped);
  q.ParamByName("pContractId").SetInt64(FindContractId(partner, entity));
  q.ParamByName("pUserId").SetInt64(mTokenInfo.m2_mUserIDMapped);
  q.ParamByName("pDesc").SetText(pHeader.doc_desc);
  q.ParamByName("pDocSum").SetExtended(FloatToPrice(pHeader.doc_sum));
  q.ParamByName("pCashAccountId").SetInt64(FindCashAccountId(entity));
  q.Open();
  id = q.Eof() ? 0 : q.FieldByName("LastID").AsInt64();
  q.Close();
  db::Query& link = Cached("UPDATE tirDocuments SET [fTransactId]=:pId  WHERE fId = :pId;");
  link.ParamByName("pId").SetInt64(id);
  link.ExecSql();
  return id;
}

void TDMJsonLoader::SaveDocFromMobileAgent() {
  const TTopValue* docs = FindTop(JSONResp.get(), "docs");
  if (!docs) return;
  TLoadKindCounts& report = mReport.Kind("mobile orders");
  ForEachObject(*JSONResp, *docs, "docs", [&](const JValue& obj, std::size_t index) {
    TDocHeader h;
    for (const auto& m : obj.GetObject()) {
      if (m.value.IsNull()) continue;
      const TWhere w{"docs", index, KeyOf(m)};
      if (w.key == "guid")
        h.doc_guid = ReadText(m.value, w);
      else if (w.key == "partner")
        h.doc_partner = ReadText(m.value, w);
      else if (w.key == "date")
        h.doc_date = ReadText(m.value, w);
      else if (w.key == "sum")
        h.doc_sum = ReadExt(m.value, w);
      else if (w.key == "type")
        h.doc_type = ReadInt(m.value, w);
      else if (w.key == "desc")
        h.doc_desc = ReadText(m.value, w);
      if (w.key != "docgoods") continue;
      TJSGIUD check;
      ReadGuid(JValue(h.doc_guid.c_str(), static_cast<rapidjson::SizeType>(h.doc_guid.size())), w,
               check);
      if (check.isEmpty()) {
        ++report.refused;
        return true;
      }
      const bool existed = FindIdByGUID("tirDocuments", check) != 0;
      const std::int64_t id = GetOrCreateNewDocMobileAgent(h);
      ++(existed ? report.updated : report.inserted);
      DeleteAllDocGoods(id);
      db::Query& ins = Cached(
          "INSERT INTO tirDocGoods (fDocId, fGoodId, fPriceIn, fSum, fDiscount, fQtty,  fCurrId, "
          "fUnitType , fVatSum )  VALUES (:pDocId, :pGoodId, :pPriceIn, :pSum, :pDiscount, "
          ":pCount,  :pCurrId, :pUnitType, :pVatSum);");
      ForEachObject(m.value, "docgoods", [&](const JValue& line, std::size_t li) {
        TJSGIUD goods;
        long double sum = 0, qtty = 0;
        ReadGoodsLine(line, TWhere{"docgoods", li, {}}, goods, sum, qtty);
        const std::int64_t goodId = FindIdByGUID("tirGoods", goods);
        if (goodId == 0) {
          if (!goods.isEmpty())
            mReport.Missing("mobile order " + h.doc_guid + ": goods " +
                            gGetGUIDSTR(goods.fGUID1, goods.fGUID2) +
                            " not in tirGoods (line skipped)");
          return true;
        }
        ins.Close();
        ins.ParamByName("pDocId").SetInt64(id);
        ins.ParamByName("pGoodId").SetInt64(goodId);
        ins.ParamByName("pPriceIn").SetExtended(0);
        ins.ParamByName("pSum").SetExtended(FloatToPrice(sum));
        ins.ParamByName("pDiscount").SetExtended(0);
        ins.ParamByName("pCount").SetExtended(FloatToCount(qtty));
        ins.ParamByName("pCurrId").SetInt32(1);
        ins.ParamByName("pUnitType").SetInt32(0);
        ins.ParamByName("pVatSum").SetExtended(0);
        ins.ExecSql();
        return true;
      });
    }
    return !ifExitNOW();
  });
}

void TDMJsonLoader::ChangeCookStatus() {
  rapidjson::Document doc;
  const JValue* order = TopObject(JSONResp.get(), "ordercookdoc", doc);
  if (!order || !order->IsObject()) return;
  std::int32_t status = -1, position = -1;
  std::int64_t id = -1;
  for (const auto& m : order->GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere w{"ordercookdoc", 0, KeyOf(m)};
    if (w.key == "orderstatus")
      status = ReadInt(m.value, w);
    else if (w.key == "orderposindoc")
      position = ReadInt(m.value, w);
    else if (w.key == "lid")
      id = ReadInt64(m.value, w);
  }
  TLoadKindCounts& report = mReport.Kind("cook status");
  if (status == -1 || position == -1 || id == -1) {
    ++report.refused;
    return;
  }
  db::Query& q = *FDQuery1;
  q.Close();
  q.SetSql("UPDATE tirDocGoods SET  fTypeInDoc=" + std::to_string(status) + " WHERE (fDocId = " +
           std::to_string(id) + ")" + " AND (fPosId = " + std::to_string(position) + ")");
  const std::int64_t rows = q.ExecSql();
  report.updated += rows;
  if (rows == 0)
    mReport.Missing("ordercookdoc: no line " + std::to_string(position) + " in document " +
                    std::to_string(id));
}

void TDMJsonLoader::FillGoodsLine(std::int64_t pGoodId, TGoodsExportsDOCFromJS& pLine) {
  db::Query& q = Cached(
      "SELECT fCode, fName, fBarCode, fUnitType, fPriceOut1, fPriceIn, fVATGroup FROM tirGoods "
      "WHERE fId = :pId;");
  q.ParamByName("pId").SetInt64(pGoodId);
  q.Open();
  pLine.fID = pGoodId;
  if (q.Eof()) return;
  pLine.fCode = q.FieldByName("fCode").AsWideText();
  pLine.fName = q.FieldByName("fName").AsWideText();
  pLine.fBarCode = q.FieldByName("fBarCode").AsWideText();
  pLine.fUnitType = q.FieldByName("fUnitType").AsWideText();
  pLine.fPriceOut = q.FieldByName("fPriceOut1").AsExtended();
  pLine.fVAT = q.FieldByName("fVATGroup").AsInt32();
}

void TDMJsonLoader::GetGoodsListFromFirstDoc(std::vector<TGoodsExportsDOCFromJS>& pListGoods) {
  pListGoods.clear();
  if (ifExitNOW()) return;
  const TTopValue* docs = FindTop(JSONResp.get(), "docs");
  if (!docs) return;
  ForEachObject(*JSONResp, *docs, "docs", [&](const JValue& first, std::size_t) {
    for (const auto& m : first.GetObject()) {
      if (m.value.IsNull() || KeyOf(m) != "docgoods") continue;
      ForEachObject(m.value, "docgoods", [&](const JValue& line, std::size_t li) {
        TJSGIUD guid;
        long double sum = 0, qtty = 0;
        ReadGoodsLine(line, TWhere{"docgoods", li, {}}, guid, sum, qtty);
        TGooodInfo stored;
        const std::int64_t id = FindGoodIdByGUID(guid.fGUID1, guid.fGUID2, stored);
        if (id == 0) return true;
        TGoodsExportsDOCFromJS e;
        FillGoodsLine(id, e);
        e.fQtty = qtty;
        e.fSumIn = sum;
        pListGoods.push_back(e);
        return true;
      });
      break;
    }
    return false;  // the first document only
  });
}

void TDMJsonLoader::GetGoodsListQttyFromSPR(std::vector<TGoodsExportsDOCFromJS>& pListGoods) {
  pListGoods.clear();
  if (ifExitNOW()) return;
  const TTopValue* goods = FindTop(JSONResp.get(), "goods");
  if (!goods) return;
  ForEachObject(*JSONResp, *goods, "goods", [&](const JValue& obj, std::size_t index) {
    TJSGIUD guid;
    long double qtty = 0, sum = 0;
    ReadGoodsLine(obj, TWhere{"goods", index, {}}, guid, sum, qtty);
    TGooodInfo stored;
    const std::int64_t id = FindGoodIdByGUID(guid.fGUID1, guid.fGUID2, stored);
    if (id == 0 || !IsFloatCMP(qtty, ">", 0)) return true;
    TGoodsExportsDOCFromJS e;
    FillGoodsLine(id, e);
    e.fQtty = qtty;
    e.fSumIn = qtty * stored.fPIn.rawValue;
    pListGoods.push_back(e);
    return true;
  });
}

}  // namespace tir::import
