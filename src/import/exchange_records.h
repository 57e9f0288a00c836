#pragma once

#include <cstdint>
#include <string>

#include "export/req_params.h"
#include "import/exchange_values.h"

namespace tir::import {

// Exchange records: one catalog row or document as read from JSON (the incoming record) or from
// the database (the stored record). IsIdent_TestOnlySet is called on the stored record with the
// incoming one and is true when no value that was sent differs. Clear() resets every field.

struct TGooodInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNameFull, fDesc, fBarCode, fBarCodeList, fBarCode2, fBarCode3;
  TJSString fUnitType, fUnitType2, fUnitType3;
  TJSExtended fCoeff2, fCoeff3;
  TJSInteger fType, fVATGroup, fVisible;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSExtended fPIn, fP1, fP2, fP3, fP4, fP5, fP6, fP7, fP8, fP9, fP10;
  TJSInteger fDeleted;
  TJSExtended fMinCount, fNomCount;
  TJSGIUD fMainPartnerGUID;
  TJSInt64 fMainPartner;
  TJSInteger fSCPLU, fSCSrokG;
  TJSExtended fSCTare;
  TJSInteger fSCPiece, fHavePh;
  TJSExtended fWeightOut, fProcLost;
  TJSString fpdop1, fpdop2, fpdop3, fpdop4, fpdop5, fDivList, fUKTZED;
  TJSGIUD fUKTZED_GUID;
  TJSInt64 fUKTZED_ID;
  TJSInteger fRcCountD, fAvtoProd, fExStamp, fOShop, fImport, fColor;
  TJSExtended fMarkUp;
  TJSInt64 fRV;
  TJSGIUD fGUID;

  void Clear() { *this = TGooodInfo{}; }
  bool IsIdent_TestOnlySet(const TGooodInfo& pGood) const;
};

struct TPartnerInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNamePrint;
  TJSInteger fState;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSString fCardNumber, fTel, fTel1, fTel2, fTel3, fTel4, fTel5, fAdress, fAdress1, fAdress2;
  TJSExtended fDate, fDate1, fDate2, fDate3, fDate4, fDate5;
  TJSString fDesc, fEDRPOU, fINN;
  TJSGIUD fGUID;

  void Clear() { *this = TPartnerInfo{}; }
  bool IsIdent_TestOnlySet(const TPartnerInfo& pGood) const;
};

struct TEntityInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNamePrint, fEDRPOU, fINN, fNDSN, fTel, fTel1, fTel2;
  TJSString fAdress, fAdress1, fAdress2;
  TJSInteger fState;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSGIUD fGUID;

  void Clear() { *this = TEntityInfo{}; }
  bool IsIdent_TestOnlySet(const TEntityInfo& pGood) const;
};

// Stores, and the catalogs of the same shape: tables, modifiers, sale points, price names,
// item-cost articles and classification codes.
struct TStoreInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNamePrint, fAddress;
  TJSInteger fState, fPriceId, fPriceId2;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSGIUD fGUID;

  void Clear() { *this = TStoreInfo{}; }
  bool IsIdent_TestOnlySet(const TStoreInfo& pGood) const;
};

struct TRightGRoupInfo {
  TJSInt64 fId;
  TJSString fName;
  TJSInteger fState, fBase;
  TJSGIUD fGUID;

  void Clear() { *this = TRightGRoupInfo{}; }
  bool IsIdent_TestOnlySet(const TRightGRoupInfo& pGood) const;
};

struct TVatInfo {
  TJSInt64 fId;
  TJSString fCode, fName;
  TJSExtended fVAT;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSGIUD fGUID;

  void Clear() { *this = TVatInfo{}; }
  bool IsIdent_TestOnlySet(const TVatInfo& pGood) const;
};

struct TUserInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNamePrint;
  TJSInteger fState;
  TJSString fPass1, fPass2, fCard;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSInteger fAccesssalep, fAccessstores, fAccessentities;
  TJSGIUD fGUID;

  void Clear() { *this = TUserInfo{}; }
  bool IsIdent_TestOnlySet(const TUserInfo& pGood) const;
};

struct TCurrInfo {
  TJSInt64 fId;
  TJSString fCode, fName, fNamePrint;
  TJSInteger fState, fImg;
  TJSExtended fCurr;
  TJSGIUD fGroupGUID;
  TJSInt64 fGroupID;
  TJSGIUD fGUID;

  void Clear() { *this = TCurrInfo{}; }
  bool IsIdent_TestOnlySet(const TCurrInfo& pGood) const;
};

struct TMoneyAccInfo {
  TJSInt64 fId;
  TJSString fName, fDesc, fAccInfo;
  TJSInteger fType, fDefault;
  TJSGIUD fEntitiIdGUID;
  TJSInt64 fEntitiId;
  TJSGIUD fCurrIdGUID;
  TJSInt64 fCurrId;
  TJSGIUD fGUID;

  void Clear() { *this = TMoneyAccInfo{}; }
  bool IsIdent_TestOnlySet(const TMoneyAccInfo& pGood) const;
};

struct TContractPartner {
  TJSInt64 fId;
  TJSString fName;
  TJSGIUD fPartnerIdGUID;
  TJSInt64 fPartnerId;
  TJSGIUD fEntitiIdGUID;
  TJSInt64 fEntitiId;
  TJSInteger fAccountType;
  TJSExtended fDiscount;
  TJSGIUD fCurrIdGUID;
  TJSInt64 fCurrId;
  TJSInteger fPriceId, fPriceId2, fDefault, fType;
  TJSGIUD fGUID;

  void Clear() { *this = TContractPartner{}; }
  bool IsIdent_TestOnlySet(const TContractPartner& pGood) const;
};

struct TSalesDiscontRules {
  TJSInt64 fId;
  TJSString fName, fNameF, fSalesPList, fPStr;
  TJSInteger fPos, fActiv, fVer;
  TJSGIUD fGUID;

  void Clear() { *this = TSalesDiscontRules{}; }
  bool IsIdent_TestOnlySet(const TSalesDiscontRules& pGood) const;
};

// Document header. Date fields are day numbers with fractions.
struct TDocInfo {
  TJSInt64 fId;
  TJSGIUD fPartnerIdGUID;
  TJSInt64 fPartnerId;
  TJSGIUD fStoreIdGUID;
  TJSInt64 fStoreId;
  TJSGIUD fStore2IdGUID;
  TJSInt64 fStore2Id;
  TJSGIUD fEntitiIdGUID;
  TJSInt64 fEntitiId;
  TJSGIUD fUserIdGUID;
  TJSInt64 fUserId;
  TJSGIUD fUserRealIdGUID;
  TJSInt64 fUserRealId;
  TJSGIUD fContractIdGUID;
  TJSInt64 fContractId;
  TJSInteger fTagInt, fTagInt2, fTagInt3;
  TJSString fTagChar50, fPRROFN;
  TJSExtended fPRRORealDate;
  TJSInt64 fPRRODate;
  TJSGIUD fCurrIdGUID;
  TJSInt64 fCurrId;
  TJSExtended fCurrRate;
  TJSInt64 fDocNum;
  TJSExtended fDateTime, fDateTimeReal;
  TJSString fDesc;
  TJSInteger fDocType;
  TJSExtended fDocSum;
  TJSString fInputNum;
  TJSExtended fInputDate;
  TJSInt64 fTransactId;
  TJSString fTreeId;
  TJSGIUD fTransactGUID;
  TJSString fTreeGUID;
  TJSInteger fState;
  TJSInt64 fColor;
  TJSInteger fWFrom, fBaseId, fSalePId;
  TJSGIUD fChashAccIdGUID;
  TJSInt64 fChashAccId;
  TJSGIUD fItemCostIdGUID;
  TJSInt64 fItemCostId;
  TJSInt64 fRV;
  TJSGIUD fGUID;

  void Clear() { *this = TDocInfo{}; }
  // A document is never skipped as unchanged.
  bool IsIdent_TestOnlySet(const TDocInfo&) const { return false; }
};

struct TDocGoodsInfo {
  TJSInt64 fGoodId, fParentGoodId;
  TJSExtended fPriceIn, fPriceOut, fDiscount;
  TJSInteger fCurrId;
  TJSExtended fSum, fQtty, fVatSum;
  TJSInteger fTypeInDoc;
  TJSString fStrTag1, fExStamp;
  TJSInteger fPosId;
  TJSString fDesc;
  TJSGIUD fGoodGUID, fParentGoodGUID;

  void Clear() { *this = TDocGoodsInfo{}; }
  bool IsIdent_TestOnlySet(const TDocGoodsInfo&) const { return false; }
};

// One goods line handed back to the host.
struct TGoodsExportsDOCFromJS {
  std::int64_t fID = 0;
  std::u16string fCode, fBarCode, fUnitType, fName;
  long double fQtty = 0, fSumIn = 0, fPriceOut = 0;
  std::int32_t fVAT = 0;

  void Clear() { *this = TGoodsExportsDOCFromJS{}; }
};

// A saved document waiting for posting, with its posting command.
struct TProvodkaDocInfo {
  std::int64_t fDocId = 0;
  std::int32_t fProvodka = 0;
};

// One stored right of a user or rights group.
struct TUsersRights {
  std::int64_t fPB = 0;
  std::int64_t fPI = 0;
  std::int32_t fMid = 0;
};

struct TPriceListOneGood {
  std::int32_t id = 0;
  long double p = 0;
};

// Header of a mobile-agent order.
struct TDocHeader {
  std::string doc_guid, doc_partner, doc_date;
  long double doc_sum = 0;
  std::int32_t doc_type = 0;
  std::string doc_desc;
};

// The info block of an answer.
struct TRespParams {
  std::int32_t ver = 0;
  std::string sourceID;
  std::int32_t error = 0;
  std::string errorTxt;
  std::int32_t goodsCount = 0;
  std::int64_t lastGoodsSnapshot = 0;
};

// The request block of a received request: the same record the main export builder answers.
using TReqParams = exporting::TReqParams;

}  // namespace tir::import
