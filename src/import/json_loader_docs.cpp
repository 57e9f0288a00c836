// Document import: universal documents (saved, then posted in save order), mobile-agent orders,
// kitchen status changes and the goods lists handed back to the host.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "db/date_time.h"
#include "db/query.h"
#include "db/unicode_case.h"
#include "import/json_loader.h"
#include "import/json_loader_walk.h"
#include "posting/list_posting.h"
#include "posting/main_provodka.h"
#include "settings/date_forms.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"
#include "settings/tir_codes.h"

namespace tir::import {
namespace {

double WithoutMs(double d) {
  db::CivilTime t = db::DecodeDateTime(d);
  t.millisecond = 0;
  return db::EncodeDateTime(t);
}

// Header members of a universal document; false for a key that is not a header member.
bool ReadDocHeader(TDocInfo& d, const JValue& v, const TWhere& w, TLoadReport& report) {
  const auto SetDate = [&report](TJSExtended& f, const JValue& v, const TWhere& w) {
    double date = 0;
    if (ReadDate(v, w, date, report)) f.uSetValue(date);
  };
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
    ReadGuid(v, w, *guid, report);
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

void ReadDocLine(TDocGoodsInfo& l, const JValue& obj, const TWhere& where, TLoadReport& report) {
  for (const auto& m : obj.GetObject()) {
    if (m.value.IsNull()) continue;
    const TWhere w{where.array, where.index, KeyOf(m)};
    const std::string_view k = w.key;
    const JValue& v = m.value;
    if (k == "guid")
      ReadGuid(v, w, l.fGoodGUID, report);
    else if (k == "parentid")
      ReadGuid(v, w, l.fParentGoodGUID, report);
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
    case kStatePosted:
      return kPostRepost;
    case kStateNotPosted:
    case kStateNew:
      return kPostStateOnlyOff;
    case kStateDeleted:
      return kPostDelete;
    default:
      return kPostRepost;
  }
}

// The columns of a document header as CreateOrUpdateTirDoc writes them, with their parameters.
constexpr const char* kDocColumns[][2] = {{"fDocNum", "pDocNum"},
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
constexpr std::size_t kSyncDateColumn = 26;  // the delivery stamp: set by every write
constexpr std::size_t kStateColumn = 29;

// The header values in the order of kDocColumns.
std::vector<db::Value> DocHeaderValues(const TDocInfo& d, std::int64_t transact) {
  using V = db::Value;
  const auto id32 = [](const TJSInt64& v) {
    return V::Int32(static_cast<std::int32_t>(v.rawValue));
  };
  return {V::Int64(d.fDocNum.rawValue),
          V::DateTime(WithoutMs(static_cast<double>(d.fDateTime.rawValue))),
          V::DateTime(static_cast<double>(d.fDateTimeReal.rawValue)),
          id32(d.fEntitiId),
          id32(d.fPartnerId),
          id32(d.fStoreId),
          id32(d.fStore2Id),
          id32(d.fContractId),
          id32(d.fUserId),
          id32(d.fUserRealId),
          V::WideText(d.fDesc.rawValue),
          V::Int32(d.fDocType.rawValue),
          V::Extended(FloatToPrice(d.fDocSum.rawValue)),
          V::Int32(1),
          V::WideText(d.fInputNum.rawValue),
          V::DateTime(WithoutMs(static_cast<double>(d.fInputDate.rawValue))),
          V::Int64(transact),
          id32(d.fItemCostId),
          id32(d.fChashAccId),
          V::Int32(d.fTagInt.rawValue),
          V::Int32(d.fTagInt2.rawValue),
          V::Int32(d.fTagInt3.rawValue),
          V::WideText(d.fTagChar50.rawValue),
          V::Int64(d.fPRRODate.rawValue),
          V::WideText(d.fPRROFN.rawValue),
          d.fPRRORealDate.isSet
              ? V::DateTime(WithoutMs(static_cast<double>(d.fPRRORealDate.rawValue)))
              : V::Null(db::ValueType::kDateTime),
          V::DateTime(db::NowDateTime()),
          d.fColor.isSet ? V::Int64(d.fColor.rawValue) : V::Null(db::ValueType::kInt32),
          V::Int32(d.fWFrom.rawValue),
          V::Int32(d.fState.rawValue == kStatePosted ? kStateNew : d.fState.rawValue),
          V::Text("."),
          V::Int32(d.fSalePId.rawValue),
          V::Int32(d.fBaseId.rawValue)};
}

// The parameters of a document line in the order of the line select below.
constexpr const char* kLineParams[] = {"pGoodId",   "pPriceIn",   "pPriceOut",     "pDiscount",
                                       "pUnitType", "pCurrId",    "pSum",          "pQtty",
                                       "pVatSum",   "pTypeInDoc", "pParentGoodId", "pStrTag1",
                                       "pDesc",     "pExStamp",   "pPosId"};

std::vector<db::Value> LineValues(const TDocGoodsInfo& l, std::int64_t goodId,
                                  std::int64_t parentId) {
  using V = db::Value;
  return {V::Int64(goodId),
          V::Extended(l.fPriceIn.rawValue),
          V::Extended(l.fPriceOut.rawValue),
          V::Extended(l.fDiscount.rawValue),
          V::Int32(0),
          V::Int32(l.fCurrId.rawValue),
          V::Extended(l.fSum.rawValue),
          V::Extended(l.fQtty.rawValue),
          V::Extended(l.fVatSum.rawValue),
          V::Int32(l.fTypeInDoc.rawValue),
          V::Int64(parentId),
          V::WideText(l.fStrTag1.rawValue),
          V::WideText(l.fDesc.rawValue),
          V::WideText(l.fExStamp.rawValue),
          V::Int32(l.fPosId.rawValue)};
}

// Whether a stored value equals the one a write would store, after the conversions of the
// exchange: a null text is the empty text, a null number 0, dates count to the second, amounts
// within the float tolerance.
bool SameStored(const db::Value& stored, const db::Value& v) {
  if (v.IsNull()) return stored.IsNull();
  switch (v.Type()) {
    case db::ValueType::kText:
      return stored.AsText() == v.AsText();
    case db::ValueType::kDateTime:
      return gDateToJSON(stored.AsDateTime()) == gDateToJSON(v.AsDateTime());
    case db::ValueType::kExtended:
    case db::ValueType::kDouble:
      return IsFloatIdent(stored.AsExtended(), v.AsExtended());
    default:
      return stored.AsInt64() == v.AsInt64();
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
    const std::int64_t id = FindDocRefId(r.table, g);
    (d.*r.id).uSetValue(id);
    if (id != 0 || g.isEmpty()) continue;
    mReport.Missing(TLoadNoteKind::kRefNotFound,
                    {"docs", gGetGUIDSTR(d.fGUID.fGUID1, d.fGUID.fGUID2), r.column,
                     gGetGUIDSTR(g.fGUID1, g.fGUID2), r.table});
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
      ReadDocHeader(d, m.value, w, mReport);
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
      SkipRow(mReport, report, TWhere{"docs", pIndex, {}});
      return true;
    }
    if (!d.fBaseId.isSet) d.fBaseId.uSetValue(pSourceBaseId);
    if (d.fRV.isSet && d.fRV.rawValue > mMaxDocRowID) mMaxDocRowID = d.fRV.rawValue;
    std::vector<TDocLineIn> lines;
    ForEachObject(m.value, "docgoods", [&](const JValue& line, std::size_t li) {
      TDocLineIn& l = lines.emplace_back();
      ReadDocLine(l.line, line, TWhere{"docgoods", li, {}}, mReport);
      l.goodId = FindDocRefId("tirGoods", l.line.fGoodGUID);
      l.parentId = FindDocRefId("tirGoods", l.line.fParentGoodGUID);
      return true;
    });
    const std::pair<std::int64_t, std::int64_t> guid{d.fGUID.fGUID1, d.fGUID.fGUID2};
    // A GUID the base does not hold needs no look-up.
    const std::int64_t stored =
        mDocGuids && !mDocGuids->contains(guid) ? 0 : FindIdByGUID("tirDocuments", d.fGUID);
    if (stored != 0 && DocUnchanged(stored, d, lines)) {
      ++report.identical;
      return true;
    }
    const std::int64_t id = SaveDocHeader(d, stored);
    if (mDocGuids && stored == 0) mDocGuids->insert(guid);
    ++(stored != 0 ? report.updated : report.inserted);
    // A new document whose id is above every document id that has lines has none to delete.
    if (stored != 0 || id <= mLinesDocIdAbove) DeleteAllDocGoods(id);
    if (!lines.empty()) mLinesDocIdAbove = std::max(mLinesDocIdAbove, id);
    db::Query& ins = Cached(
        "INSERT INTO tirDocGoods (fDocId, fGoodId, fPriceIn, fPriceOut, fDiscount,  fUnitType, "
        "fCurrId,  fSum, fQtty, fVatSum, fTypeInDoc, fParentGoodId,  fStrTag1, fDesc, fExStamp, "
        "fPosId )  VALUES (:pDocId, :pGoodId, :pPriceIn, :pPriceOut, :pDiscount,  :pUnitType, "
        ":pCurrId,  :pSum, :pQtty, :pVatSum, :pTypeInDoc, :pParentGoodId,  :pStrTag1, :pDesc, "
        ":pExStamp, :pPosId );");
    // The parameters are found by name once per document, not once per line.
    db::Param& docParam = ins.ParamByName("pDocId");
    std::vector<db::Param*> lineParams;
    for (const char* name : kLineParams) lineParams.push_back(&ins.ParamByName(name));
    for (TDocLineIn& l : lines) {
      if (l.goodId == 0 && !l.line.fGoodGUID.isEmpty()) {
        mReport.Missing(TLoadNoteKind::kGoodsPlaceholder,
                        {gGetGUIDSTR(d.fGUID.fGUID1, d.fGUID.fGUID2),
                         gGetGUIDSTR(l.line.fGoodGUID.fGUID1, l.line.fGoodGUID.fGUID2)});
        l.goodId = GetIdForUNKNOWN_GOOD_GUID(l.line.fGoodGUID);
        // A later line may name the same goods or this one as its parent.
        for (TDocLineIn& other : lines) {
          if (other.line.fGoodGUID.fGUID1 == l.line.fGoodGUID.fGUID1 &&
              other.line.fGoodGUID.fGUID2 == l.line.fGoodGUID.fGUID2)
            other.goodId = l.goodId;
        }
      }
      if (l.parentId == 0) l.parentId = FindIdByGUID("tirGoods", l.line.fParentGoodGUID);
      ins.Close();
      docParam.SetInt64(id);
      std::vector<db::Value> values = LineValues(l.line, l.goodId, l.parentId);
      for (std::size_t i = 0; i < values.size(); ++i) lineParams[i]->Set(std::move(values[i]));
      ins.ExecSql();
    }
    return true;
  }
  return true;
}

bool TDMJsonLoader::DocUnchanged(std::int64_t pId, const TDocInfo& pDoc,
                                 const std::vector<TDocLineIn>& pLines) {
  for (const TDocLineIn& l : pLines) {
    if (l.goodId == 0 && !l.line.fGoodGUID.isEmpty()) return false;  // a placeholder is due
  }
  std::string columns;
  for (const auto& c : kDocColumns) columns += std::string(columns.empty() ? "" : ",") + c[0];
  db::Query& h = Cached("SELECT " + columns + " FROM tirDocuments WHERE fId=:pId;");
  h.ParamByName("pId").SetInt64(pId);
  h.Open();
  if (h.Eof()) return false;
  std::vector<db::Value> header = DocHeaderValues(pDoc, TransactLink(pDoc, pId).first);
  // The state counts as sent: a posted document (0) is written as new (3) only so that its
  // posting ends in 0 again, which is where the stored one already is.
  header[kStateColumn] = db::Value::Int32(pDoc.fState.rawValue);
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (i != kSyncDateColumn && !SameStored(h.FieldByIndex(i).Get(), header[i])) return false;
  }
  h.Close();
  db::Query& q = Cached(
      "SELECT fGoodId, fPriceIn, fPriceOut, fDiscount, fUnitType, fCurrId, fSum, fQtty, fVatSum, "
      "fTypeInDoc, fParentGoodId, fStrTag1, fDesc, fExStamp, fPosId FROM tirDocGoods WHERE "
      "fDocId=:pDocId ORDER BY fId;");
  q.ParamByName("pDocId").SetInt64(pId);
  q.Open();
  std::size_t n = 0;
  for (; !q.Eof(); q.Next(), ++n) {
    if (n >= pLines.size()) return false;
    const std::vector<db::Value> line =
        LineValues(pLines[n].line, pLines[n].goodId, pLines[n].parentId);
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (!SameStored(q.FieldByIndex(i).Get(), line[i])) return false;
    }
  }
  return n == pLines.size();
}

std::int64_t TDMJsonLoader::FindDocRefId(const char* pTable, const TJSGIUD& pGUID) {
  if (pGUID.isEmpty()) return 0;
  const TDocRefKey key{pTable, pGUID.fGUID1, pGUID.fGUID2};
  if (const auto it = mDocRefIds.find(key); it != mDocRefIds.end()) return it->second;
  const std::int64_t id = FindIdByGUID(pTable, pGUID);
  if (id != 0) mDocRefIds.emplace(key, id);  // a missing row may be added later
  return id;
}

void TDMJsonLoader::SaveUniversalDocs() {
  mDocRefIds.clear();
  mNextDocId = 0;
  mMaxDocRowID = -1;
  mCountDocInFile = 0;
  if (ifExitNOW()) return;
  const std::int32_t sourceBase = GetSourceBaseId();
  mDocListIdForProvodka.clear();
  // Inside the load's transaction no one else writes lines, so a document inserted with an id
  // above every document id that has lines has none.
  mLinesDocIdAbove = std::numeric_limits<std::int64_t>::max();
  if (Conn().InTransaction()) {
    db::Query& q = Cached("SELECT MAX(fDocId) FROM tirDocGoods;");
    q.Open();
    mLinesDocIdAbove = q.Eof() || q.FieldByIndex(0).IsNull() ? 0 : q.FieldByIndex(0).AsInt64();
    q.Close();
  }
  mDocGuids = LoadGuidSet("tirDocuments", "docs");
  for (const TTopValue* docs : FindAllTop(JSONResp.get(), "docs")) {
    bool more = true;
    ForEachObject(*JSONResp, *docs, "docs", [&](const JValue& obj, std::size_t index) {
      ReadUniversalDoc(&obj, index, sourceBase);
      more = !mifNeadUpdateAllSPR && !ifExitNOW();
      if (more && ++mCountDocInFile % 100 == 0 && mDocsProgress)
        mDocsProgress(false, mCountDocInFile, 0);
      return more;
    });
    if (!more) break;
  }
  mDocGuids.reset();
  mDocRefIds.clear();
  PostSavedDocs();
}

void TDMJsonLoader::PostSavedDocs() {
  const std::size_t total = mDocListIdForProvodka.size();
  if (total > 0 && mDocsProgress) mDocsProgress(true, 0, total);
  if (total > mBatchPostingAbove && !mifNeadUpdateAllSPR) {
    std::vector<posting::TListPostingItem> list;
    list.reserve(total);
    for (const TProvodkaDocInfo& doc : mDocListIdForProvodka)
      list.push_back({doc.fDocId, doc.fProvodka});
    posting::TListPostingOptions o;
    if (mDocsProgress)
      o.progress = [this](std::size_t done, std::size_t all) { mDocsProgress(true, done, all); };
    if (posting::PostDocumentList(*mProvodka, Conn(), list, o) ==
        posting::TListPostingOutcome::kControlHeld) {
      throw std::runtime_error(
          "документи не проведено: іншим робочим місцем виконується масове перепроведення; "
          "повторіть завантаження після його завершення");
    }
    mDocListIdForProvodka.clear();
    return;
  }
  std::size_t done = 0;
  for (const TProvodkaDocInfo& doc : mDocListIdForProvodka) {
    mProvodka->Provodka(doc.fDocId, doc.fProvodka, false, false);
    if (++done % 100 == 0 && mDocsProgress) mDocsProgress(true, done, total);
  }
  mDocListIdForProvodka.clear();
}

std::pair<std::int64_t, bool> TDMJsonLoader::TransactLink(const TDocInfo& pDoc, std::int64_t pId) {
  if (pDoc.fTransactGUID.isEmpty()) return {0, false};
  if (pDoc.fTransactGUID.fGUID1 == pDoc.fGUID.fGUID1 &&
      pDoc.fTransactGUID.fGUID2 == pDoc.fGUID.fGUID2)
    return {pId, pId == 0};
  return {FindIdByGUID("tirDocuments", pDoc.fTransactGUID), false};
}

std::int64_t TDMJsonLoader::CreateOrUpdateTirDoc(TDocInfo& pDoc) {
  return SaveDocHeader(pDoc, FindIdByGUID("tirDocuments", pDoc.fGUID));
}

std::int64_t TDMJsonLoader::SaveDocHeader(TDocInfo& pDoc, std::int64_t pStoredId) {
  std::int64_t id = pStoredId;
  auto [transact, self] = TransactLink(pDoc, id);
  // A new document that is its own transaction goes in linked to the id it is expected to get;
  // the link is written separately only when the id turns out otherwise.
  const std::int64_t expected = self ? mNextDocId : 0;
  if (expected != 0) transact = expected;
  // The insert's text is the same for every document: it is built once.
  static const std::string kInsert = [] {
    std::string cols = "[fGUID1],[fGUID2]", vals = ":pGUID1,:pGUID2";
    for (const auto& c : kDocColumns) {
      cols += std::string(",[") + c[0] + "]";
      vals += std::string(",:") + c[1];
    }
    return "INSERT INTO [tirDocuments](" + cols + ")VALUES(" + vals +
           ");SELECT SCOPE_IDENTITY() as LastID;";
  }();
  db::Query* q = nullptr;
  if (id != 0) {
    std::string set;
    for (const auto& c : kDocColumns)
      set += std::string(set.empty() ? "" : ",") + "[" + c[0] + "]=:" + c[1];
    q = &OneOff("UPDATE tirDocuments SET  " + set + " WHERE (fId = " + std::to_string(id) + ");");
  } else {
    q = &Cached(kInsert);
    q->ParamByName("pGUID1").SetInt64(pDoc.fGUID.fGUID1);
    q->ParamByName("pGUID2").SetInt64(pDoc.fGUID.fGUID2);
  }
  std::vector<db::Value> values = DocHeaderValues(pDoc, transact);
  for (std::size_t i = 0; i < values.size(); ++i)
    q->ParamByName(kDocColumns[i][1]).Set(std::move(values[i]));
  if (id != 0) {
    q->ExecSql();
  } else {
    q->Open();
    id = q->Eof() ? 0 : q->FieldByName("lastID").AsInt64();
    q->Close();
    mNextDocId = id != 0 ? id + 1 : 0;
  }
  if (self && id != expected) {
    // The new id goes in as a parameter, so the statement stays prepared for every document
    // that is its own transaction.
    db::Query& link =
        Cached("UPDATE tirDocuments SET [fTransactId]=:pTransactId WHERE (fId = :pId);");
    link.ParamByName("pTransactId").SetInt64(id);
    link.ParamByName("pId").SetInt64(id);
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
  for (const TTopValue* docs : FindAllTop(JSONResp.get(), "docs")) {
    if (!SaveMobileOrders(*docs)) return;
  }
}

bool TDMJsonLoader::SaveMobileOrders(const TTopValue& pDocs) {
  TLoadKindCounts& report = mReport.Kind("mobile orders");
  bool more = true;
  ForEachObject(*JSONResp, pDocs, "docs", [&](const JValue& obj, std::size_t index) {
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
      ReadGuid(JValue(h.doc_guid.c_str(), static_cast<rapidjson::SizeType>(h.doc_guid.size())),
               TWhere{"docs", index, "guid"}, check, mReport);
      if (check.isEmpty()) {
        SkipRow(mReport, report, TWhere{"docs", index, {}});
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
        ReadGoodsLine(line, TWhere{"docgoods", li, {}}, goods, sum, qtty, mReport);
        const std::int64_t goodId = FindIdByGUID("tirGoods", goods);
        if (goodId == 0) {
          if (!goods.isEmpty())
            mReport.Missing(TLoadNoteKind::kOrderLineSkipped,
                            {h.doc_guid, gGetGUIDSTR(goods.fGUID1, goods.fGUID2)});
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
    more = !ifExitNOW();
    return more;
  });
  return more;
}

void TDMJsonLoader::ChangeCookStatus() {
  rapidjson::Document doc;
  const JValue* order = TopObject(JSONResp.get(), "ordercookdoc", doc);
  if (!order) {
    if (!FindTop(JSONResp.get(), "ordercookdoc")) return;
    // Nothing is changed, but a caller must not take an array of orders for a done change.
    ++mReport.Kind("cook status").refused;
    mReport.Missing(TLoadNoteKind::kCookOneObject, {});
    return;
  }
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
  if (rows != 0) return;
  ++report.refused;
  db::Query& stored = Cached("SELECT fId FROM tirDocuments WHERE fId=:pId;");
  stored.ParamByName("pId").SetInt64(id);
  stored.Open();
  const bool found = !stored.Eof();
  stored.Close();
  if (found)
    mReport.Missing(TLoadNoteKind::kCookNoLine, {std::to_string(id), std::to_string(position)});
  else
    mReport.Missing(TLoadNoteKind::kCookNoDocument, {std::to_string(id)});
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
        ReadGoodsLine(line, TWhere{"docgoods", li, {}}, guid, sum, qtty, mReport);
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
  for (const TTopValue* goods : FindAllTop(JSONResp.get(), "goods")) {
    GoodsQuantities(*goods, pListGoods);
  }
}

void TDMJsonLoader::GoodsQuantities(const TTopValue& pGoods,
                                    std::vector<TGoodsExportsDOCFromJS>& pListGoods) {
  ForEachObject(*JSONResp, pGoods, "goods", [&](const JValue& obj, std::size_t index) {
    TJSGIUD guid;
    long double qtty = 0, sum = 0;
    ReadGoodsLine(obj, TWhere{"goods", index, {}}, guid, sum, qtty, mReport);
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
