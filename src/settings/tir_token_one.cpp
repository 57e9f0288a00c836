#include "settings/tir_token_one.h"

namespace tir {

void TTirTokenOne::Clear() {
  mVersion = kStreamVersion;
  mType = 0;
  mActiv = 0;
  mName.clear();
  mToken.clear();
  mDesc.clear();
  mTokenRight = 0;
  m1_mStoreIds.clear();
  m1_mEntIds.clear();
  m1_mDocTypeIds.clear();
  m1_mDocTypeSynk = 0;
  m2_mUserIDMapped = 0;
  m2_mEntIDMapped = 0;
  m2_mStoreIDMapped = 0;
  m6_mStorePriceID = 1;
  m6_mSendPH = 1;
  m6_mNameTAG = "<B><FONT color=\"#COLOR#\"  size=\"48\" >#MAIN_TEXT#</FONT></B>";
  m6_mPriceTAG =
      "<B><FONT color=\"#003399\"  size=\"56\" >#PRICE_01_INT#,#PRICE_01_DEC#</FONT><FONT "
      "color=\"#999999\" size=\"26\"> грн / #UNIT_01#</FONT></B>";
  m6_mPh_Field_T = 0;
  m6_mPh_Field_B = 0;
  m6_mPh_Field_L = 0;
  m6_mPh_Field_R = 0;
}

void TTirTokenOne::Copy(const TTirTokenOne& aSource) {
  if (&aSource == this) return;
  mVersion = aSource.mVersion;
  mType = aSource.mType;
  mActiv = aSource.mActiv;
  mName = aSource.mName;
  mToken = aSource.mToken;
  mDesc = aSource.mDesc;
  mTokenRight = aSource.mTokenRight;
  m1_mStoreIds = aSource.m1_mStoreIds;
  m1_mEntIds = aSource.m1_mEntIds;
  m1_mDocTypeIds = aSource.m1_mDocTypeIds;
  m1_mDocTypeSynk = aSource.m1_mDocTypeSynk;
  m2_mUserIDMapped = aSource.m2_mUserIDMapped;
  m2_mEntIDMapped = aSource.m2_mEntIDMapped;
  m2_mStoreIDMapped = aSource.m2_mStoreIDMapped;
  m6_mStorePriceID = aSource.m6_mStorePriceID;
  m6_mSendPH = aSource.m6_mSendPH;
  m6_mNameTAG = aSource.m6_mNameTAG;
  m6_mPriceTAG = aSource.m6_mPriceTAG;
  m6_mPh_Field_T = aSource.m6_mPh_Field_T;
  m6_mPh_Field_B = aSource.m6_mPh_Field_B;
  m6_mPh_Field_L = aSource.m6_mPh_Field_L;
  m6_mPh_Field_R = aSource.m6_mPh_Field_R;
}

void TTirTokenOne::WriteToMemory(TSettingsStreamWriter& aStream) {
  mVersion = kStreamVersion;
  aStream.WriteInt32(mVersion);
  aStream.WriteByte(static_cast<std::uint8_t>(mType));
  aStream.WriteByte(static_cast<std::uint8_t>(mActiv));
  aStream.WriteString(mName);
  aStream.WriteString(mToken);
  aStream.WriteString(mDesc);
  aStream.WriteInt64(mTokenRight);
  aStream.WriteString(m1_mStoreIds);
  aStream.WriteString(m1_mEntIds);
  aStream.WriteString(m1_mDocTypeIds);
  aStream.WriteByte(static_cast<std::uint8_t>(m1_mDocTypeSynk));
  aStream.WriteInt64(m2_mUserIDMapped);
  aStream.WriteInt64(m2_mEntIDMapped);
  aStream.WriteInt64(m2_mStoreIDMapped);
  aStream.WriteInt32(m6_mStorePriceID);
  aStream.WriteByte(static_cast<std::uint8_t>(m6_mSendPH));
  aStream.WriteString(m6_mNameTAG);
  aStream.WriteString(m6_mPriceTAG);
  aStream.WriteInt32(m6_mPh_Field_T);
  aStream.WriteInt32(m6_mPh_Field_B);
  aStream.WriteInt32(m6_mPh_Field_L);
  aStream.WriteInt32(m6_mPh_Field_R);
}

void TTirTokenOne::ReadFromMemory(TSettingsStreamReader& aStream) {
  aStream.ReadInt32(mVersion);
  aStream.ReadShortInt(mType);
  aStream.ReadShortInt(mActiv);
  aStream.ReadString(mName);
  aStream.ReadString(mToken);
  aStream.ReadString(mDesc);
  aStream.ReadInt64(mTokenRight);
  if (mVersion >= 2) {
    aStream.ReadString(m1_mStoreIds);
    aStream.ReadString(m1_mEntIds);
    aStream.ReadString(m1_mDocTypeIds);
    aStream.ReadShortInt(m1_mDocTypeSynk);
  }
  if (mVersion >= 3) {
    aStream.ReadInt64(m2_mUserIDMapped);
    aStream.ReadInt64(m2_mEntIDMapped);
    aStream.ReadInt64(m2_mStoreIDMapped);
  }
  if (mVersion >= 4) {
    aStream.ReadInt32(m6_mStorePriceID);
    aStream.ReadShortInt(m6_mSendPH);
    aStream.ReadString(m6_mNameTAG);
    aStream.ReadString(m6_mPriceTAG);
    aStream.ReadInt32(m6_mPh_Field_T);
    aStream.ReadInt32(m6_mPh_Field_B);
    aStream.ReadInt32(m6_mPh_Field_L);
    aStream.ReadInt32(m6_mPh_Field_R);
  }
}

}  // namespace tir
