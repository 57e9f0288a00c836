#include "import/exchange_records.h"

namespace tir::import {
namespace {

// The AND of the stored fields' comparisons with the incoming ones, stopping at the first
// difference.
template <typename R, typename... F>
bool AllIdent(const R& stored, const R& incoming, F R::*... fields) {
  return ((stored.*fields).IsIdent_TestOnlySet(incoming.*fields) && ...);
}

}  // namespace

bool TGooodInfo::IsIdent_TestOnlySet(const TGooodInfo& pGood) const {
  using R = TGooodInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName, &R::fNameFull, &R::fDesc, &R::fBarCode,
                  &R::fBarCodeList, &R::fBarCode2, &R::fBarCode3, &R::fUnitType, &R::fUnitType2,
                  &R::fUnitType3, &R::fCoeff2, &R::fCoeff3, &R::fType, &R::fVATGroup,
                  &R::fVisible) &&
         AllIdent(*this, pGood, &R::fGroupGUID) &&
         AllIdent(*this, pGood, &R::fPIn, &R::fP1, &R::fP2, &R::fP3, &R::fP4, &R::fP5, &R::fP6,
                  &R::fP7, &R::fP8, &R::fP9, &R::fP10) &&
         AllIdent(*this, pGood, &R::fDeleted) &&
         AllIdent(*this, pGood, &R::fMinCount, &R::fNomCount) &&
         AllIdent(*this, pGood, &R::fMainPartnerGUID) &&
         AllIdent(*this, pGood, &R::fSCPLU, &R::fSCSrokG) && AllIdent(*this, pGood, &R::fSCTare) &&
         AllIdent(*this, pGood, &R::fSCPiece) &&
         AllIdent(*this, pGood, &R::fWeightOut, &R::fProcLost) &&
         AllIdent(*this, pGood, &R::fpdop1, &R::fpdop2, &R::fpdop3, &R::fpdop4, &R::fpdop5) &&
         AllIdent(*this, pGood, &R::fUKTZED_ID) && AllIdent(*this, pGood, &R::fDivList) &&
         AllIdent(*this, pGood, &R::fRcCountD, &R::fAvtoProd, &R::fExStamp, &R::fOShop, &R::fImport,
                  &R::fColor) &&
         AllIdent(*this, pGood, &R::fMarkUp);
}

bool TPartnerInfo::IsIdent_TestOnlySet(const TPartnerInfo& pGood) const {
  using R = TPartnerInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName, &R::fNamePrint) &&
         AllIdent(*this, pGood, &R::fState) && AllIdent(*this, pGood, &R::fGroupGUID) &&
         AllIdent(*this, pGood, &R::fCardNumber, &R::fTel, &R::fTel1, &R::fTel2, &R::fAdress,
                  &R::fAdress1, &R::fAdress2) &&
         AllIdent(*this, pGood, &R::fDate, &R::fDate1, &R::fDate2, &R::fDate3, &R::fDate4,
                  &R::fDate5) &&
         AllIdent(*this, pGood, &R::fTel3, &R::fTel4, &R::fTel5, &R::fDesc, &R::fEDRPOU, &R::fINN);
}

bool TEntityInfo::IsIdent_TestOnlySet(const TEntityInfo& pGood) const {
  using R = TEntityInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName, &R::fNamePrint, &R::fEDRPOU, &R::fINN,
                  &R::fNDSN, &R::fTel, &R::fTel1, &R::fTel2, &R::fAdress, &R::fAdress1,
                  &R::fAdress2) &&
         AllIdent(*this, pGood, &R::fState) && AllIdent(*this, pGood, &R::fGroupGUID);
}

bool TStoreInfo::IsIdent_TestOnlySet(const TStoreInfo& pGood) const {
  using R = TStoreInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName, &R::fNamePrint, &R::fAddress) &&
         AllIdent(*this, pGood, &R::fState, &R::fPriceId, &R::fPriceId2) &&
         AllIdent(*this, pGood, &R::fGroupGUID);
}

bool TRightGRoupInfo::IsIdent_TestOnlySet(const TRightGRoupInfo& pGood) const {
  using R = TRightGRoupInfo;
  return AllIdent(*this, pGood, &R::fName) && AllIdent(*this, pGood, &R::fState, &R::fBase);
}

bool TVatInfo::IsIdent_TestOnlySet(const TVatInfo& pGood) const {
  using R = TVatInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName) && AllIdent(*this, pGood, &R::fVAT) &&
         AllIdent(*this, pGood, &R::fGroupGUID);
}

bool TUserInfo::IsIdent_TestOnlySet(const TUserInfo& pGood) const {
  using R = TUserInfo;
  return AllIdent(*this, pGood, &R::fCode, &R::fName, &R::fNamePrint) &&
         AllIdent(*this, pGood, &R::fState) &&
         AllIdent(*this, pGood, &R::fPass1, &R::fPass2, &R::fCard) &&
         AllIdent(*this, pGood, &R::fAccesssalep, &R::fAccessstores, &R::fAccessentities) &&
         AllIdent(*this, pGood, &R::fGroupGUID);
}

bool TCurrInfo::IsIdent_TestOnlySet(const TCurrInfo& pGood) const {
  using R = TCurrInfo;
  return AllIdent(*this, pGood, &R::fName, &R::fCode, &R::fNamePrint) &&
         AllIdent(*this, pGood, &R::fState, &R::fImg) && AllIdent(*this, pGood, &R::fCurr) &&
         AllIdent(*this, pGood, &R::fGroupGUID);
}

bool TMoneyAccInfo::IsIdent_TestOnlySet(const TMoneyAccInfo& pGood) const {
  using R = TMoneyAccInfo;
  return AllIdent(*this, pGood, &R::fName, &R::fDesc, &R::fAccInfo) &&
         AllIdent(*this, pGood, &R::fType, &R::fDefault) &&
         AllIdent(*this, pGood, &R::fEntitiIdGUID, &R::fCurrIdGUID);
}

bool TContractPartner::IsIdent_TestOnlySet(const TContractPartner& pGood) const {
  using R = TContractPartner;
  return AllIdent(*this, pGood, &R::fName) &&
         AllIdent(*this, pGood, &R::fPartnerIdGUID, &R::fEntitiIdGUID) &&
         AllIdent(*this, pGood, &R::fAccountType) && AllIdent(*this, pGood, &R::fDiscount) &&
         AllIdent(*this, pGood, &R::fCurrIdGUID) &&
         AllIdent(*this, pGood, &R::fPriceId, &R::fPriceId2, &R::fDefault, &R::fType);
}

bool TSalesDiscontRules::IsIdent_TestOnlySet(const TSalesDiscontRules& pGood) const {
  using R = TSalesDiscontRules;
  return AllIdent(*this, pGood, &R::fName, &R::fNameF) &&
         AllIdent(*this, pGood, &R::fPos, &R::fActiv) &&
         AllIdent(*this, pGood, &R::fPStr, &R::fSalesPList) && AllIdent(*this, pGood, &R::fVer);
}

}  // namespace tir::import
